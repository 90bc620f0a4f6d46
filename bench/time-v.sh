# Sourced by the benchmark scripts.
#
# best_times LOG: "WALL CPU RSS" from the /usr/bin/time -v reports in LOG:
# the best wall-clock and CPU (user + system) seconds of the runs, the least
# disturbed by other work on the machine, and the largest peak resident set
# in bytes (%.0f: mawk's %d stops at 2^31 - 1).
best_times() {
  awk '
    function best(old, new) { return (old == "" || new < old) ? new : old }
    /Maximum resident set size/ { if ($NF * 1024 > rss) rss = $NF * 1024 }
    /User time/ { user = $NF }
    /System time/ { cpu = best(cpu, user + $NF) }
    /Elapsed \(wall clock\)/ {
      n = split($NF, t, ":"); w = 0
      for (i = 1; i <= n; i++) w = w * 60 + t[i]
      wall = best(wall, w)
    }
    END { printf "%.3f %.3f %.0f\n", wall, cpu, rss }' "$1"
}
