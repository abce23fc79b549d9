#pragma once
// The program's main block: prepares the engine's root for sharing the
// database file, starts the application, builds the main form, runs the
// message loop, then shuts the database layer down in order so that the
// process ends cleanly. Returns the process's exit status: 0, or 1 when
// the main form could not be built (the reason was shown).

int ProgramMain(int argc, char** argv);
