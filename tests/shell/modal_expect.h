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

#include <wx/msgdlg.h>

// A message box that must say exactly `text`; answered with OK.
class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage> {
public:
    explicit ExpectMessage(const wxString& text) : text_(text) { Describe(text); }

protected:
    int OnInvoked(wxMessageDialog* dlg) const override {
        EXPECT_EQ(dlg->GetMessage().ToStdString(wxConvUTF8), text_.ToStdString(wxConvUTF8));
        EXPECT_EQ(dlg->GetCaption().ToStdString(wxConvUTF8), "Quarvel");
        return wxID_OK;
    }

private:
    wxString text_;
};
