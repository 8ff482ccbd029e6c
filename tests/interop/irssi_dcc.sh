#!/usr/bin/env bash
# DCC interoperation with irssi, a general chat client nobody here wrote.
#
# Starts ngircd on a free loopback port, the built tavern97 (offscreen, with a
# private FERRY_HOME, shared block, prompt answers and typed-lines file) and irssi
# inside a private tmux server, then checks:
#   1. a DCC chat offered by tavern97 and accepted by irssi carries a line each way,
#      and irssi's action shows as "* nick text";
#   2. a file sent by tavern97 ("/dcc send") arrives at irssi byte-identical;
#   3. a file sent by irssi arrives at tavern97 byte-identical;
#   4. a file half-sent to irssi is resumed (irssi's /dcc resume, tavern97's ACCEPT);
#   5. a file half-sent to tavern97 (its ".part") is resumed (tavern97's RESUME,
#      irssi's ACCEPT) and put in place of an older file of the same name;
#   6./7. files of 4 GiB and more go each way: sparse files whose receiving end
#      already holds all but the last few hundred kilobytes, so the offer carries a
#      size beyond 32 bits, the positions too, and the acknowledged totals wrap.
# Needs: a built tree (FERRY_BIN_DIR, or BUILD_DIR/bin, default build/bin), ngircd, irssi, tmux.
# Run from the repository root:  tests/interop/irssi_dcc.sh
# Exit status 0 when every check passed; the work folder is kept on failure.
set -uo pipefail
cd "$(dirname "$0")/../.."
bin="${FERRY_BIN_DIR:-$(pwd)/${BUILD_DIR:-build}/bin}"
for tool in ngircd irssi tmux; do
  command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] || { echo "SKIP: $tool is not installed"; exit 77; }
done
for prog in tavern97 shmpeer ferryreg; do
  [ -x "$bin/$prog" ] || { echo "SKIP: $bin/$prog is not built"; exit 77; }
done
ngircd_bin=$(command -v ngircd || echo /usr/sbin/ngircd)

work=$(mktemp -d /tmp/irssi_dcc.XXXXXX)
sock="irssi_dcc_$$"
pids=()
failures=0
cleanup() {
  [ "$failures" -eq 0 ] || irssi_screen >"$work/irssi_screen.txt" 2>/dev/null
  tmux -L "$sock" kill-server 2>/dev/null
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "work folder kept: $work"; fi
}
trap cleanup EXIT

# waitfor SECONDS COMMAND...: polls the command every 0.2 s until it succeeds.
waitfor() {
  local deadline=$(( $(date +%s) + $1 )); shift
  until "$@" 2>/dev/null; do
    [ "$(date +%s)" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}
check() { # check NAME COMMAND...
  local name=$1; shift
  if "$@"; then echo "PASS: $name"; else echo "FAIL: $name"; failures=$((failures + 1)); fi
}
irssi_keys() { tmux -L "$sock" send-keys -t irssi "$1" Enter; }
irssi_screen() { tmux -L "$sock" capture-pane -p -J -S -3000 -t irssi; }
irssi_saw() { # (no pipe into grep -q: pipefail would count its early exit as a failure)
  local seen
  seen=$(irssi_screen; cat "$work"/irssilogs/*/* 2>/dev/null)
  grep -qF -- "$1" <<<"$seen"
}
tavern_type() { printf '%s\n' "$1" >>"$work/typed.txt"; }
# The client's window logs live in the logs folder of its data folder.
tavern_log() { grep -qxF -- "$2" "$FERRY_HOME/logs/$1"; }

# The chat server.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$work/ngircd.conf" <<CONF
[Global]
Name = irc.interop.test
Info = DCC interoperation
Listen = 127.0.0.1
Ports = $port
PidFile = $work/ngircd.pid
[Limits]
MaxConnectionsIP = 0
MaxNickLength = 31
[Options]
DNS = no
Ident = no
PAM = no
CONF
"$ngircd_bin" --nodaemon --config "$work/ngircd.conf" >"$work/ngircd.log" 2>&1 &
pids+=($!)
waitfor 10 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" || { echo "FAIL: ngircd did not start"; failures=1; exit 1; }

# The chat client's private environment.
export FERRY_HOME="$work/home" FERRY_SHM_NAME="irssi_dcc_$$" FERRY_PORT_OFFSET=$(( ($$ % 500) * 20 + 1000 ))
export FERRY_PROMPTS="$work/answers.txt" FERRY_TYPED_LINES="$work/typed.txt" QT_QPA_PLATFORM=offscreen
mkdir -p "$FERRY_HOME" "$work/client" "$work/irssi" "$work/downloads" "$work/irssilogs"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollowell\\Ferry97\\Chat]\r\n"ChatServer"="127.0.0.1"\r\n"ChatServerPort"=dword:%08x\r\n"AutoLog"=dword:00000001\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollowell\\Ferry97\\Chat\\LaunchPad\\Game01]\r\n"ProgramName"=""\r\n' \
  "$port" >"$work/chat.reg"
"$bin/ferryreg" import "$work/chat.reg" || { echo "FAIL: registry import"; failures=1; exit 1; }
printf 'yes\nfile:%s\nyes\nfile:%s\nyes\nfile:%s\n' "$work/saved_by_tavern.bin" "$work/resumed_by_tavern.bin" \
  "$work/big_by_tavern.bin" >"$FERRY_PROMPTS"
: >"$FERRY_TYPED_LINES"

mkfifo "$work/block.fifo"
"$bin/shmpeer" create 127.0.0.1 Tester tester@interop.test <"$work/block.fifo" >"$work/shmpeer.out" 2>&1 &
pids+=($!)
exec 7>"$work/block.fifo" # holds the block creator open until the end
waitfor 10 grep -q ready "$work/shmpeer.out" || { echo "FAIL: shared block not created"; failures=1; exit 1; }

(cd "$work/client" && exec "$bin/tavern97") >"$work/tavern97.log" 2>&1 &
pids+=($!)
waitfor 20 tavern_log Server "Attemping to Join channel..." || { echo "FAIL: tavern97 did not sign on"; failures=1; exit 1; }

# irssi in a private tmux server.
tmux -L "$sock" new-session -d -s irssi -x 200 -y 50 \
  "irssi --home='$work/irssi' --connect=127.0.0.1 --port=$port --nick=ipeer"
waitfor 20 irssi_saw "Welcome to the Internet Relay Network" || { echo "FAIL: irssi did not connect"; failures=1; exit 1; }
irssi_keys "/set dcc_download_path $work/downloads"
irssi_keys "/set autolog_path $work/irssilogs/\$tag/\$0.log"
irssi_keys "/set autolog on"
sleep 0.5

# 1. DCC chat: tavern97 offers, irssi accepts, a line each way.
tavern_type "/dcc chat ipeer"
waitfor 15 irssi_saw "DCC CHAT from Tester"
irssi_keys "/dcc chat Tester"
waitfor 15 tavern_log "DCC Chat ipeer" "Connection established..."
tavern_type "$(printf 'DCC Chat ipeer\thello irssi, from the hearth')"
irssi_keys "/msg =Tester hello hearth, from irssi"
check "chat line from tavern97 reaches irssi" waitfor 15 irssi_saw "hello irssi, from the hearth"
check "chat line from irssi reaches tavern97" waitfor 15 tavern_log "DCC Chat ipeer" "<ipeer> hello hearth, from irssi"
irssi_keys "/action =Tester waves from irssi"
check "an action from irssi shows as an action" waitfor 15 tavern_log "DCC Chat ipeer" "* ipeer waves from irssi"

# 2. tavern97 sends a file to irssi.
head -c 200000 /dev/urandom >"$work/from_tavern.bin"
tavern_type "/dcc send ipeer $work/from_tavern.bin"
waitfor 15 irssi_saw "DCC SEND from Tester"
irssi_keys "/dcc get Tester"
waitfor 30 tavern_log Server "** Transfer of file $work/from_tavern.bin completed succesfully"
check "file from tavern97 arrives at irssi byte-identical" cmp -s "$work/from_tavern.bin" "$work/downloads/from_tavern.bin"
check "tavern97 reports the sent file complete" tavern_log Server "** Transfer of file $work/from_tavern.bin completed succesfully"

# 3. irssi sends a file to tavern97 (prompt answers: yes, then the save path).
head -c 150001 /dev/urandom >"$work/from_irssi.bin"
irssi_keys "/dcc send Tester $work/from_irssi.bin"
waitfor 30 tavern_log Server "** Transfer of file $work/saved_by_tavern.bin completed succesfully"
check "file from irssi arrives at tavern97 byte-identical" cmp -s "$work/from_irssi.bin" "$work/saved_by_tavern.bin"
check "tavern97 reports the received file complete" tavern_log Server "** Transfer of file $work/saved_by_tavern.bin completed succesfully"
check "tavern97 asked before receiving" grep -qF "ipeer is sending you a file called from_irssi.bin. Do you want to receive it?" "$FERRY_PROMPTS.log"

# 4. A file half-sent from tavern97 to irssi: irssi resumes it.
head -c 300000 /dev/urandom >"$work/resume_out.bin"
head -c 100000 "$work/resume_out.bin" >"$work/downloads/resume_out.bin"
tavern_type "/dcc send ipeer $work/resume_out.bin"
waitfor 15 irssi_saw "]: resume_out.bin"
irssi_keys "/dcc resume Tester"
waitfor 30 tavern_log Server "** Transfer of file $work/resume_out.bin completed succesfully"
check "half-sent file resumed by irssi arrives byte-identical" cmp -s "$work/resume_out.bin" "$work/downloads/resume_out.bin"
check "irssi continued from the half it had" tavern_log Server "** ipeer continues file $work/resume_out.bin from byte 100000"
check "tavern97 reports the resumed send complete" tavern_log Server "** Transfer of file $work/resume_out.bin completed succesfully"

# 5. A file half-sent from irssi to tavern97: tavern97 finds its ".part" and resumes.
head -c 250001 /dev/urandom >"$work/resume_in.bin"
head -c 90000 "$work/resume_in.bin" >"$work/resumed_by_tavern.bin.part"
echo "an older file of the same name" >"$work/resumed_by_tavern.bin"
irssi_keys "/dcc send Tester $work/resume_in.bin"
waitfor 30 tavern_log Server "** Transfer of file $work/resumed_by_tavern.bin completed succesfully"
check "half-sent file resumed by tavern97 arrives byte-identical" cmp -s "$work/resume_in.bin" "$work/resumed_by_tavern.bin"
check "no .part is left behind" test ! -e "$work/resumed_by_tavern.bin.part"
check "tavern97 asked irssi for the rest" tavern_log Server "** Asking ipeer to continue file $work/resumed_by_tavern.bin from byte 90000"

# 6./7. Beyond 4 GiB. big_file NAME SIZE: a sparse file whose last 800,000 bytes are random.
big=$(( (1 << 32) + 300000 )) tail_bytes=800000 held=$(( (1 << 32) - 500000 ))
big_file() {
  truncate -s "$2" "$1" &&
    head -c "$tail_bytes" /dev/urandom | dd of="$1" bs=64K seek=$(( $2 - tail_bytes )) oflag=seek_bytes conv=notrunc status=none
}
same_tail() { # same_tail A B: equal sizes and equal last bytes
  [ "$(stat -c %s "$1")" = "$(stat -c %s "$2")" ] && cmp -s <(tail -c "$tail_bytes" "$1") <(tail -c "$tail_bytes" "$2")
}
big_file "$work/big_out.bin" "$big"
truncate -s "$held" "$work/downloads/big_out.bin"
tavern_type "/dcc send ipeer $work/big_out.bin"
waitfor 15 irssi_saw "]: big_out.bin"
irssi_keys "/dcc resume Tester"
waitfor 60 tavern_log Server "** Transfer of file $work/big_out.bin completed succesfully"
check "a file beyond 4 GiB from tavern97 arrives at irssi intact" same_tail "$work/big_out.bin" "$work/downloads/big_out.bin"
check "irssi continued it beyond 32 bits of acknowledgement" tavern_log Server "** ipeer continues file $work/big_out.bin from byte $held"
check "tavern97 offered its whole size" irssi_saw "big_out.bin [4096MB]"

big_file "$work/big_in.bin" $(( big + 1 ))
truncate -s "$held" "$work/big_by_tavern.bin.part"
irssi_keys "/dcc send Tester $work/big_in.bin"
waitfor 60 tavern_log Server "** Transfer of file $work/big_by_tavern.bin completed succesfully"
check "a file beyond 4 GiB from irssi arrives at tavern97 intact" same_tail "$work/big_in.bin" "$work/big_by_tavern.bin"
check "tavern97 asked irssi for the rest beyond 4 GiB" tavern_log Server "** Asking ipeer to continue file $work/big_by_tavern.bin from byte $held"
check "tavern97 says irssi agreed" tavern_log Server "** ipeer agreed: file $work/big_by_tavern.bin continues from byte $held"
rm -f "$work"/big_* "$work"/downloads/big_*

exec 7>&-
if [ "$failures" -eq 0 ]; then echo "irssi DCC interoperation: all checks passed"; else echo "irssi DCC interoperation: $failures check(s) failed"; fi
exit $(( failures > 0 ))
