#!/usr/bin/env bash
# A real one-node Slurm cluster of this machine, run as the current user in a folder of its own:
# its own munged, slurmctld and slurmd on free ports, nothing of the system's set-up used.
#
#   source slurm-local.sh; slurm_local_start || exit $?; ...; slurm_local_stop
#   eval "$(slurm-local.sh start)"; ...; slurm-local.sh stop
#
# Start exports SLURM_CONF (read by sbatch, squeue, scontrol...) and SLURM_LOCAL_DIR; it
# returns 77, saying why, where Slurm cannot run here, and 1 if a daemon fails.

# Free TCP ports on this machine, one per line: nothing answers there.
slurm_local_ports() {
  local count=$1 port taken=" "
  while [ "$count" -gt 0 ]; do
    port=$(( 20000 + RANDOM % 20000 ))
    [[ $taken != *" $port "* ]] && ! (: <>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || continue
    echo "$port"
    taken+="$port " count=$((count - 1))
  done
}

slurm_local_start() {
  # The daemons live in sbin, which a user's PATH may lack.
  local PATH=$PATH:/usr/sbin:/sbin tool
  for tool in munged slurmctld slurmd sinfo; do
    command -v "$tool" >/dev/null ||
      { echo "slurm-local: $tool is missing (packages slurm-wlm and munge)" >&2; return 77; }
  done
  local dir host user ports node
  dir=$(mktemp -d /tmp/slurm-local.XXXXXX) || return 1
  chmod 755 "$dir"   # the nodes' job steps run as the user; the key stays 0400
  host=$(hostname -s) user=$(id -un)
  mkdir -p "$dir"/{munge,state,spool,log}
  export SLURM_LOCAL_DIR=$dir

  head -c 1024 /dev/urandom >"$dir/munge/key" && chmod 400 "$dir/munge/key"
  munged --foreground --socket="$dir/munge/socket" --key-file="$dir/munge/key" \
    --pid-file="$dir/munge/pid" --log-file="$dir/log/munged.log" --seed-file="$dir/munge/seed" \
    </dev/null >>"$dir/log/munged.out" 2>&1 &
  echo $! >"$dir/munged.pid"

  node=$(slurmd -C 2>/dev/null | head -n 1)
  [[ $node == NodeName=* ]] || { echo "slurm-local: slurmd -C does not describe this node" >&2; slurm_local_stop; return 77; }
  node="NodeName=$host ${node#* }"
  mapfile -t ports < <(slurm_local_ports 2)
  cat >"$dir/slurm.conf" <<EOF
ClusterName=velmolocal
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=${ports[0]}
SlurmdPort=${ports[1]}
SlurmUser=$user
SlurmdUser=$user
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$dir/munge/socket
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SwitchType=switch/none
MpiDefault=none
MailProg=/bin/true
ReturnToService=2
# Finished jobs stay listed by scontrol: there is no accounting database for sacct.
MinJobAge=3600
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldLogFile=$dir/log/slurmctld.log
SlurmdLogFile=$dir/log/slurmd.log
SlurmctldPidFile=$dir/slurmctld.pidfile
SlurmdPidFile=$dir/slurmd.pidfile
$node NodeAddr=127.0.0.1 State=UNKNOWN
PartitionName=local Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
  export SLURM_CONF=$dir/slurm.conf

  local i
  for i in $(seq 1 100); do
    [ -S "$dir/munge/socket" ] && break
    kill -0 "$(cat "$dir/munged.pid")" 2>/dev/null || break
    sleep 0.1
  done
  [ -S "$dir/munge/socket" ] || { slurm_local_failed munged; return 1; }

  slurmctld -D -f "$SLURM_CONF" </dev/null >>"$dir/log/slurmctld.out" 2>&1 &
  echo $! >"$dir/slurmctld.pid"
  slurmd -D -f "$SLURM_CONF" </dev/null >>"$dir/log/slurmd.out" 2>&1 &
  echo $! >"$dir/slurmd.pid"

  # Up once the controller answers and the node has registered as idle.
  local state=""
  for i in $(seq 1 600); do
    state=$(sinfo -h -n "$host" -o %t 2>/dev/null)
    [ "$state" = idle ] && return 0
    kill -0 "$(cat "$dir/slurmctld.pid")" 2>/dev/null || break
    kill -0 "$(cat "$dir/slurmd.pid")" 2>/dev/null || break
    sleep 0.1
  done
  slurm_local_failed "the node (state: ${state:-none})"
  return 1
}

slurm_local_failed() {
  echo "slurm-local: $1 did not come up; logs:" >&2
  tail -n 20 "$SLURM_LOCAL_DIR"/log/* >&2
  slurm_local_stop
}

# Cancels the cluster's jobs, ends its daemons and removes its folder.
slurm_local_stop() {
  local dir=${1:-${SLURM_LOCAL_DIR:-}} name pid i
  [ -n "$dir" ] && [ -d "$dir" ] || return 0
  if [ -s "$dir/slurmctld.pid" ] && kill -0 "$(cat "$dir/slurmctld.pid")" 2>/dev/null; then
    # Jobs' processes outlive slurmd: they must end first.
    SLURM_CONF=$dir/slurm.conf scancel --user="$(id -un)" 2>/dev/null
    for i in $(seq 1 300); do
      [ -z "$(SLURM_CONF=$dir/slurm.conf squeue -h -o %i 2>/dev/null)" ] && break
      sleep 0.1
    done
  fi
  # All at once: each daemon takes about 2 s to notice the signal.
  local pids=()
  for name in slurmd slurmctld munged; do
    [ -s "$dir/$name.pid" ] && pid=$(cat "$dir/$name.pid") && kill "$pid" 2>/dev/null && pids+=("$pid")
  done
  for pid in "${pids[@]}"; do
    for i in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -9 "$pid"
  done
  rm -rf "$dir"
  [ "${SLURM_LOCAL_DIR:-}" != "$dir" ] || unset SLURM_LOCAL_DIR SLURM_CONF
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  case ${1:-} in
    start)
      slurm_local_start >&2 || exit $?
      printf 'export SLURM_CONF=%q SLURM_LOCAL_DIR=%q\n' "$SLURM_CONF" "$SLURM_LOCAL_DIR" ;;
    stop) slurm_local_stop "${2:-}" ;;
    *) echo "usage: $0 start | stop [FOLDER]  (start prints the exports to eval)" >&2; exit 2 ;;
  esac
fi
