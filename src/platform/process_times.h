#pragma once
// The process's own clocks, for start-up and frame timings.

// Seconds since this process started, as the system recorded its start.
double processAgeSeconds();
// CPU time of the whole process, all its threads, in milliseconds.
double processCpuMs();
