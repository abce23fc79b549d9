#pragma once
// The client API's status vector: every call into the client library gets
// the calling thread's vector, and a failed call leaves its error clusters
// there. Each thread owns one vector for its whole life, so errors of
// different threads never mix. The layout is the client API's native one
// (pointer-sized words), without pulling the client header into our headers.

#include <cstdint>
#include <initializer_list>
#include <span>

// One word of the status vector; the client API's ISC_STATUS.
using TStatusWord = std::intptr_t;

inline constexpr int StatusVectorLength = 20;

// Cluster kinds that matter to the walk: a kind-3 cluster carries a length
// and an address, every other kind a single value.
inline constexpr TStatusWord StatusArgEnd = 0;
inline constexpr TStatusWord StatusArgGds = 1;
inline constexpr TStatusWord StatusArgString = 2;
inline constexpr TStatusWord StatusArgCString = 3;
inline constexpr TStatusWord StatusArgNumber = 4;

// The calling thread's vector of StatusVectorLength words, zero on a fresh thread.
TStatusWord* StatusVector();

// True when an error-code or number cluster of the calling thread's vector
// holds one of the codes.
bool StatusVectorHasCode(std::span<const TStatusWord> codes);
bool StatusVectorHasCode(std::initializer_list<TStatusWord> codes);
