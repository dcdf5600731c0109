// The memory limit of the replay driver: no single allocation may exceed it. A bomb asks for
// far more at once than any genuine small picture needs.
#pragma once

#define ZENDAVO_REPLAY_LIMIT_MB 100
#define ZENDAVO_REPLAY_LIMIT_MB_TEXT "100"

#ifdef __cplusplus
extern "C" {
#endif

// Names the input in the report of an allocation past the limit.
void zendavo_replay_set_current(const char* name);

#ifdef __cplusplus
}
#endif
