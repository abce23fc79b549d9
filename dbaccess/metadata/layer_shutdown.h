#pragma once
// The end of a program built on the database layer. The layer keeps a few
// process-wide objects (live connections, metadata caches, the query cache,
// the trace hook, the client library with the engine it may embed); they are
// released explicitly, in one order, before the process ends: static
// destruction would run while the engine's own threads still work.

// Closes what is still connected, frees the caches and the trace hook, stops
// the engine and unloads the client library, in that order. Safe to call
// more than once; the layer can be used again afterwards only where each
// object's own restart says so.
void ShutdownDatabaseLayer() noexcept;
