#pragma once

namespace quarvel {

// The most threads a run starts, whatever it is asked for.
inline constexpr unsigned kMaxThreads = 256;

// The processors this process may run on (its affinity), at least 1.
unsigned UsableProcessors();

// The threads a run uses for a setting: 0 means one for each usable processor.
unsigned RunThreads(unsigned setting);

}  // namespace quarvel
