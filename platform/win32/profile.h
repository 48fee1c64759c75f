// The start-up profile: in a build made for it (TARNOVELLE_PROFILE, `make
// profile`), named moments of the start on the system's performance
// counter, which every process reads alike, so the profile can set them
// against the moment the benchmark's probe called CreateProcess. A step's
// cost is the time from the moment before it to its own. In the program
// itself they are nothing.
#pragma once

#ifdef TARNOVELLE_PROFILE
namespace profile {
// Notes the moment `step` (a text that lives for the whole run) ended.
void Step(const char* step);
// Writes the moments noted so far to the file named by the environment
// variable TARNOVELLE_PROFILE_FILE, once.
void Flush();
}  // namespace profile
#define PROFILE_STEP(step) ::profile::Step(step)
#define PROFILE_FLUSH() ::profile::Flush()
#else
#define PROFILE_STEP(step) ((void)0)
#define PROFILE_FLUSH() ((void)0)
#endif
