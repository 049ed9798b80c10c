#pragma once

namespace quarvel {

// SIGINT and SIGTERM ask the program to stop: the first one is only noted,
// for the program to end its work the normal way; the handler is reset by
// that first call, so a second signal ends the program at once. A signal
// ignored by whoever started the program stays ignored.
void CatchStopSignals();

// The signal that asked the program to stop, or 0.
int StopSignal();

}  // namespace quarvel
