#!/usr/bin/env bash
# Runs the whole suite under address+undefined sanitizers, and the tests that start threads
# (encode job, control encode, runtime loop, conversion, engine host) under thread sanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTOLVO_SANITIZE=address,undefined
cmake --build build-asan -j2
ctest --test-dir build-asan -j2 --output-on-failure
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTOLVO_SANITIZE=thread
cmake --build build-tsan -j2
ctest --test-dir build-tsan -j2 --output-on-failure \
  -R "EncodeJob|FakeEncoder|JobCommand|EncodeTest|Timer|Nested|Loop|Conver|MP3Class|Apartment|ThreadTest|TwoThreadsTagging|EncodeAttack|Parallel|JobEndWatch|BeStream"
