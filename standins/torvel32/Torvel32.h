// The keyboard service's library: the one function through which programs
// reach the service's shared settings block.
#pragma once

#ifdef TORVEL32_BUILD
#define TORVEL32_API extern "C" __declspec(dllexport)
#else
#define TORVEL32_API extern "C" __declspec(dllimport)
#endif

// The address of the 108-byte settings block, valid for the life of the
// process; the block is created zero-filled by the first process to ask.
// Null when the system cannot provide it.
TORVEL32_API void* AttachSharedBlock(void);
