#!/bin/sh
# The full counts of the save robustness loops, too long for the ordinary
# suite: 200 kills during each kind of save and 50 races of two creators.
set -eu
BUILD=${BUILD:-build}
VORN_KILL_RUNS=${VORN_KILL_RUNS:-200} VORN_CREATOR_RUNS=${VORN_CREATOR_RUNS:-50} \
  "$BUILD/cli/cli_tests" --gtest_filter='SaveRobustness.*' --gtest_brief=1
