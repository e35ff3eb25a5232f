#!/usr/bin/env bash
# The long fuzzing run: each target of a fuzz build runs until RUNS executions or SECONDS,
# whichever comes first, starting from the corpus kept in fuzz/corpus/<target>; the grown inputs
# that reach what the kept ones do not are then added to it, so that every later run (`make
# fuzz` too) starts from them. Then each target replays its corpus in a coverage build and the
# lines and branches it reaches of the code it aims at are printed.
# usage: fuzz-long.sh FUZZ_BUILD COVERAGE_BUILD RUNS SECONDS
set -euo pipefail
build=$1
coverage=$2
runs=$3
seconds=$4
root=$(cd "$(dirname "$0")/.." && pwd)
# Leaks in system libraries that hold state for the process's life are listed, with why.
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
mkdir -p "$build/crashes"

# The sources each target aims at, for its coverage line.
aims() {
  case $1 in
    fuzz_frame_reader) echo link/FrameReader.cpp ;;
    fuzz_phone_server) echo link/PhoneServer.cpp link/PhoneServerHandshake.cpp \
                            link/PhoneServerMessages.cpp link/PhoneLink.cpp link/FrameReader.cpp ;;
    fuzz_usbmux_codec) echo usb/UsbMuxCodec.cpp ;;
    fuzz_usbmux_client) echo usb/UsbMuxClient.cpp usb/UsbMuxCodec.cpp ;;
    fuzz_h264_decoder) echo video/H264Decoder_ffmpeg.cpp video/YuvToBgr.cpp ;;
    fuzz_pairing) echo controller/PairingPayload.cpp controller/PairingData.cpp ;;
    fuzz_controller) echo controller/AppControllerSession.cpp controller/AppControllerRoster.cpp \
                          controller/AppControllerOutput.cpp pipeline/LivePipeline.cpp \
                          pipeline/FramePacer.cpp pipeline/StaleFrames.cpp ;;
  esac
}

for fuzzer in "$build"/bin/fuzz_*; do
  name=$(basename "$fuzzer")
  kept="$root/fuzz/corpus/$name"
  grown="$build/corpus-long/$name"
  mkdir -p "$kept" "$grown"
  options=(-runs="$runs" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048
           -print_final_stats=1 -artifact_prefix="$build/crashes/$name-")
  [ "$name" = fuzz_pairing ] && options+=(-max_len=1024)
  log="$build/$name.long.log"
  if ! "$fuzzer" "${options[@]}" "$grown" "$kept" >"$log" 2>&1; then
    echo "== $name FAILED; its log, $log, ends:"
    tail -n 40 "$log"
    exit 1
  fi
  executed=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
  # Into the kept corpus go only the grown inputs that reach something it does not.
  "$fuzzer" -merge=1 "${options[@]:2}" "$kept" "$grown" >"$build/$name.merge.log" 2>&1

  covered="$coverage/bin/$name"
  profile="$coverage/$name.profdata"
  LLVM_PROFILE_FILE="$coverage/$name.profraw" "$covered" -runs=0 "$kept" \
    >"$coverage/$name.replay.log" 2>&1
  llvm-profdata merge -sparse "$coverage/$name.profraw" -o "$profile"
  echo "== $name: $executed executions, corpus $(ls "$kept" | wc -l) files; lines and branches reached:"
  report=$(llvm-cov report "$covered" -instr-profile="$profile")
  for source in $(aims "$name"); do
    # llvm-cov names files from the sources' common folder, with or without a leading "../".
    echo "$report" | awk -v file="$source" '$1 == file || $1 == "../" file {print "   " file ": lines " $10 ", branches " $13}'
  done
done
