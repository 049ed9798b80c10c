#pragma once
#include <gtest/gtest.h>

#include <wx/testing.h>

// Unexpected or missing modal dialogs fail the running test instead of asserting.
class GTestModalHook : public wxTestingModalHook {
public:
    using wxTestingModalHook::wxTestingModalHook;

protected:
    void ReportFailure(const wxString& msg) override { ADD_FAILURE() << msg.ToStdString(); }
};
#undef wxTEST_DIALOG_HOOK_CLASS
#define wxTEST_DIALOG_HOOK_CLASS GTestModalHook
