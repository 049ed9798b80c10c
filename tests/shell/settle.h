#pragma once
#include <wx/app.h>
#include <wx/time.h>
#include <wx/utils.h>

// Lets the toolkit deliver and draw what is pending for a while.
inline void Settle(int milliseconds) {
    const wxLongLong end = wxGetLocalTimeMillis() + milliseconds;
    while (wxGetLocalTimeMillis() < end) {
        wxTheApp->Yield(true);
        wxMilliSleep(5);
    }
}
