// Starting a setup program as a detached process and waiting for its end.
#pragma once

// 0 when the program could not be started (reported on channel 101), 1 when
// started and not waited for, otherwise the program's exit code.
// commandLine may be null; CreateProcessA may write into it.
int LaunchProgram(const char* programPath, char* commandLine, int wait);
