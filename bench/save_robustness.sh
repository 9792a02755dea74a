#!/bin/sh
# The full counts of the save robustness loops, too long for the ordinary
# suite: 200 kills during each kind of save, 100 kills at the rename step,
# 50 races of two creators and 200 races of two writers of one archive.
set -eu
BUILD=${BUILD:-build}
VORN_KILL_RUNS=${VORN_KILL_RUNS:-200} VORN_CREATOR_RUNS=${VORN_CREATOR_RUNS:-50} \
VORN_RENAME_KILL_RUNS=${VORN_RENAME_KILL_RUNS:-100} \
  "$BUILD/cli/cli_tests" --gtest_filter='SaveRobustness.*:-SaveRobustness.TwoWriters*' --gtest_brief=1
"$BUILD/cli/cli_tests" --gtest_filter='SaveRobustness.TwoWriters*' --gtest_repeat=200 --gtest_brief=1
