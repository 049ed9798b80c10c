#pragma once

namespace quarvel {

// Names the system's time zone file in TZ when TZ is unset, before any
// thread starts. Without it the C library looks the file up again at every
// conversion of a time, under one lock: a search reading an archive's member
// times on every worker would wait on it. A change of the system's zone
// while the program runs is then seen at its next start.
void NameTheTimeZone();

}  // namespace quarvel
