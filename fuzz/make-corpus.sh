#!/usr/bin/env bash
# Makes the starting inputs of the fuzz targets, fuzz/corpus/<target>/: files
# written by the program's own writers (build-fuzz/bin/make_fuzz_corpus), the
# examples and test files of the repository, and files other tools write
# (iconv, sox, lame, python). The results are kept in the repository, so
# scripts/fuzz needs none of these tools.
#   fuzz/make-corpus.sh [BUILD_DIR]   (default build-fuzz, made by scripts/fuzz)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${1:-$root/build-fuzz}
corpus=$here/corpus
targets=(fuzz_ini_file fuzz_card_file fuzz_registry_hive fuzz_regedit_import
         fuzz_user_list fuzz_mixer_snapshot fuzz_mixer_record fuzz_wave_file fuzz_mpeg_file)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

rm -rf "$corpus"
for t in "${targets[@]}"; do mkdir -p "$corpus/$t"; done
cmake --build "$build" --target make_fuzz_corpus >/dev/null
ASAN_OPTIONS=detect_leaks=1 "$build/bin/make_fuzz_corpus" "$corpus"

# INI files: the sample installation's, and a settings file in Windows-1252 as
# the learning product writes it.
ini=$corpus/fuzz_ini_file
cp "$root/examples/sample/Qrv/QRV.INI" "$ini/qrv.ini"
cp "$root/examples/sample/TikoCP/Tiko.ini" "$ini/tiko.ini"
cp "$root/examples/sample/Users/anna01/options.ini" "$ini/options.ini"
iconv -f UTF-8 -t WINDOWS-1252 "$ini/settings.ini" >"$ini/settings-1252.ini"

cp "$root"/examples/cards/*.ini "$corpus/fuzz_card_file/"
cp "$root/examples/sample/Users/UserList.dat" "$corpus/fuzz_user_list/sample.dat"
python3 "$root/examples/make-userlist.py" "$corpus/fuzz_user_list/made-by-script.dat" \
    'bruno02=Bruno Keller' 'zoe05=Zoé Brandt'

# A product installer's REGEDIT4 file, as examples/install-sample.sh writes it.
printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_LOCAL_MACHINE\SOFTWARE\Vendrel\Qrv50]' '"InstallDir"="/opt/sample/Qrv/"' '' \
    '[HKEY_LOCAL_MACHINE\SOFTWARE\Vendrel\TIKO_CP]' '"InstallDir"="/opt/sample/TikoCP"' \
    '"Level"=dword:0000000a' '' >"$corpus/fuzz_regedit_import/sample-install.reg"

# Hives the registry got wrong once: a QWORD value (type 11, written hex(b)
# as REGEDIT4 files write it), and a key path of 600 levels (more than the
# registry allows).
for t in fuzz_registry_hive fuzz_regedit_import; do
    printf '%s\r\n' 'REGEDIT4' '' '[HKEY_LOCAL_MACHINE\SOFTWARE\Vendrel\Qrv50]' \
        '"Started"=hex(b):00,80,3e,d5,de,b1,9d,01' '"Flags"=hex(4000):01' '' \
        >"$corpus/$t/qword.reg"
    python3 - "$corpus/$t/deep-key.reg" <<'PY'
import sys
path = "\\".join(["HKEY_CURRENT_USER"] + ["k%d" % (i % 10) for i in range(600)])
open(sys.argv[1], "wb").write(("REGEDIT4\r\n\r\n[" + path + "]\r\n\"v\"=\"x\"\r\n").encode())
PY
done

# WAVE files of other writers: python's wave module, sox's EXTENSIBLE header
# (24-bit), and MPEG frames in a RIFF file (format tag 85, fact chunk).
wave=$corpus/fuzz_wave_file
python3 - "$wave/python-wave.wav" <<'PY'
import math, struct, sys, wave
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(22050)
    w.writeframes(b"".join(struct.pack("<h", int(9000 * math.sin(i / 5))) for i in range(441)))
PY
sox -n -r 8000 -c 1 -b 24 "$wave/sox-extensible.wav" synth 0.02 sine 440
python3 - "$root/tests/data/mpeg/lsf22.mp3" "$wave/mpeg-in-riff.wav" <<'PY'
import struct, sys
frames = open(sys.argv[1], "rb").read()[:1680]
fmt = struct.pack("<HHIIHHHHIHHH", 85, 1, 22050, 4000, 1, 0, 12, 1, 2, 104, 1, 1393)
fact = struct.pack("<I", 576 * 12)
body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"fact" + struct.pack("<I", 4)
        + fact + b"data" + struct.pack("<I", len(frames)) + frames)
open(sys.argv[2], "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
PY

# MPEG files: the test files, and an encoder's file that starts with an ID3v2 tag.
mpeg=$corpus/fuzz_mpeg_file
cp "$root/tests/data/mpeg/lsf22.mp3" "$root/tests/data/mpeg/stereo48.snf" "$mpeg/"
sox -n -r 22050 -c 1 -b 16 "$tmp/tone.wav" synth 0.3 sine 440 vol 0.5
lame --quiet --cbr -b 32 -m m --add-id3v2 --tt "Test tone" --ta Pelmora "$tmp/tone.wav" \
    "$mpeg/id3v2-tagged.mp3"

for t in "${targets[@]}"; do
    echo "$t: $(ls "$corpus/$t" | wc -l) files, $(du -sk "$corpus/$t" | cut -f1) KB"
done
