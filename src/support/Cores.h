// How many cores this process may run on.
#pragma once

// The processors in the process's CPU affinity mask, so that a batch
// system's allocation (taskset, cgroups cpusets, Slurm's binding) is
// respected; the machine's count where the mask cannot be read; at least 1.
int UsableCores();
