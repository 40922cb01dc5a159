# Sourced by the test scripts: times each stage, on the clock and in CPU, so a
# slow CI run shows whether the machine was busy with other work (the clock
# grows, the CPU time does not) or the stage itself does more than it did.
#
#   timed "name" command...     runs the command and notes its times
#   print_stage_times           prints the notes

stage_times=()

# User and system time of this shell's finished children, in clock ticks.
children_cpu_ticks() {
  local stat
  stat=$(</proc/$$/stat)
  stat=${stat##*) }  # the program name may hold spaces; the fields after it do not
  read -ra stat <<<"$stat"
  echo $((stat[13] + stat[14]))
}

timed() {  # name, command...
  local name=$1 start=$SECONDS ticks status=0
  shift
  ticks=$(children_cpu_ticks)
  "$@" || status=$?
  ticks=$(( $(children_cpu_ticks) - ticks ))
  stage_times+=("$(printf '%-30s %5d s  CPU %5d s' "$name" $((SECONDS - start)) \
                          $((ticks / $(getconf CLK_TCK))))")
  return $status
}

print_stage_times() {
  printf '%s\n' "${stage_times[@]}"
}
