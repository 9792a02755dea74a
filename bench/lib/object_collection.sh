# Sourced by the benchmarks that run vorn-cli over object files, with CLI,
# OBJECTS and SAMPLE set: writes the inputs, one a line, into the file
# OUTPUT: the .iff files of the folder OBJECTS, or else the IFF entries of
# the sample archive SAMPLE as ARCHIVE::PATH. BENCH names the benchmark in
# the message when neither holds any.
# Usage: list_object_collection BENCH OUTPUT
list_object_collection() {
  if ls "$OBJECTS"/*.iff > /dev/null 2>&1; then
    ls "$OBJECTS"/*.iff > "$2"
    echo "collection: $OBJECTS"
  elif [ -f "$SAMPLE" ]; then
    "$CLI" list "$SAMPLE" | cut -f2- | grep -i '\.iff$' | sed "s|^|$SAMPLE::|" > "$2"
    echo "collection: the IFF entries of $SAMPLE ($OBJECTS has no .iff files)"
  else
    echo "$1: neither $OBJECTS nor $SAMPLE holds objects" >&2
    exit 1
  fi
}
