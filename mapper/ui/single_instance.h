#pragma once
// One mapper per user session, also across elevation (core/second_start.h
// decides; this asks Windows and the running mapper).

// Claims the session for this start. True when this start runs: no other
// mapper runs, or the one that did (not elevated, this one is) has closed.
// False when this start must end: it has shown the running mapper or said
// why it does not start. `commandTail` "/T" shows nothing for a plain second
// start (Windows' Startup folder while a mapper runs already).
bool ClaimSession(const char* commandTail);
