#include "tests/unit/platform/platform_fixture.h"

#include <functional>
#include <string>
#include <vector>

namespace {

struct Message {
    UINT message;
    WPARAM wParam;
};

// The procedure under test delegates to a handler that each test sets.
std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> Handler;
std::vector<Message> Received;

INT_PTR CALLBACK TestProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Received.push_back({message, wParam});
    return Handler ? Handler(dialog, message, wParam, lParam) : 0;
}

constexpr int Info = 1001;

class DialogTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        Handler = nullptr;
        Received.clear();
        machine::DialogTemplate wizard;
        wizard.caption = "UPDATE";
        wizard.controls = {{IDOK, {"次へ", true}},
                           {IDCANCEL, {"中止", true}},
                           {4, {"戻る", true}},
                           {Info, {"Info", true}}};
        Machine().dialogTemplates[101] = wizard;
    }

    INT_PTR Run() { return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(101), nullptr, TestProc, 7); }
};

TEST_F(DialogTest, MissingTemplateFailsWithoutCallingTheProcedure) {
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(102), nullptr, TestProc, 0), -1);
    EXPECT_TRUE(Received.empty());
    EXPECT_TRUE(Machine().windows.empty());
    EXPECT_FALSE(Machine().dialogOpen);
}

TEST_F(DialogTest, InitialisesThenReplaysPressesUntilEndDialog) {
    HWND seenDialog = nullptr;
    Handler = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            seenDialog = dialog;
            EXPECT_EQ(lParam, 7);
            EXPECT_TRUE(Machine().dialogOpen);
            EXPECT_EQ(Machine().dialog.caption, "UPDATE");
            SetWindowTextA(dialog, "ゲーム アップデート");
            SetDlgItemTextA(dialog, Info, "開始します");
            EnableWindow(GetDlgItem(dialog, 4), FALSE);
        } else if (message == WM_COMMAND && wParam == IDOK && Machine().snapshots.empty()) {
            SetDlgItemTextA(dialog, Info, "実行しています");
            SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        } else if (message == WM_COMMAND && wParam == IDOK) {
            SetDlgItemTextA(dialog, IDOK, "完了");
            SetFocus(GetDlgItem(dialog, IDOK));
            SetCursor(LoadCursorA(nullptr, IDC_ARROW));
            EndDialog(dialog, 0);
        }
        return 0;
    };
    Machine().presses = {IDOK, IDOK, IDCANCEL};
    EXPECT_EQ(Run(), 0);

    ASSERT_EQ(Received.size(), 3u);
    EXPECT_EQ(Received[0].message, WM_INITDIALOG);
    EXPECT_EQ(Received[1].message, WM_COMMAND);
    EXPECT_EQ(Received[2].message, WM_COMMAND);
    EXPECT_EQ(Machine().presses.size(), 1u); // the press after EndDialog is left alone
    EXPECT_EQ(Machine().endDialogCode, 0);
    EXPECT_FALSE(Machine().dialogStalled);

    ASSERT_EQ(Machine().snapshots.size(), 2u);
    const machine::DialogSnapshot& running = Machine().snapshots[0];
    EXPECT_EQ(running.caption, "ゲーム アップデート");
    EXPECT_EQ(running.controls.at(Info).text, "実行しています");
    EXPECT_FALSE(running.controls.at(4).enabled);
    EXPECT_TRUE(running.controls.at(IDOK).enabled);
    EXPECT_EQ(running.cursor, "wait");
    EXPECT_EQ(running.focus, 0);
    const machine::DialogSnapshot& done = Machine().snapshots[1];
    EXPECT_EQ(done.controls.at(IDOK).text, "完了");
    EXPECT_EQ(done.focus, IDOK);
    EXPECT_EQ(done.cursor, "arrow");

    // The window is gone once the call returns.
    EXPECT_FALSE(Machine().dialogOpen);
    EXPECT_EQ(FindWindowA(MAKEINTATOM(0x8002), "ゲーム アップデート"), nullptr);
    EXPECT_FALSE(SetDlgItemTextA(seenDialog, Info, "late"));
}

TEST_F(DialogTest, DialogIsFoundByClassAndTitleWhileOpen) {
    HWND found = nullptr;
    Handler = [&](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            SetWindowTextA(dialog, "タイトル 1.0");
            found = FindWindowA(MAKEINTATOM(0x8002), "タイトル 1.0");
            EXPECT_EQ(FindWindowA(MAKEINTATOM(0x8002), "UPDATE"), nullptr);
            EndDialog(dialog, 5);
        }
        return 0;
    };
    Machine().presses = {IDOK};
    EXPECT_EQ(Run(), 5);
    EXPECT_NE(found, nullptr);
    EXPECT_EQ(Machine().presses.size(), 1u); // ended during initialisation: no press taken
    EXPECT_TRUE(Machine().snapshots.empty());
}

TEST_F(DialogTest, RunningOutOfPressesStalls) {
    Machine().presses = {IDOK, 4};
    EXPECT_EQ(Run(), -1);
    EXPECT_TRUE(Machine().dialogStalled);
    EXPECT_FALSE(Machine().endDialogCode.has_value());
    EXPECT_EQ(Machine().snapshots.size(), 2u);
    EXPECT_FALSE(Machine().dialogOpen);
}

TEST_F(DialogTest, CommandsArriveWithTheirNotificationCodes) {
    Machine().presses = {(1u << 16) | IDOK, IDCANCEL};
    Handler = [](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_COMMAND && wParam == IDCANCEL) {
            EndDialog(dialog, -1);
        }
        return 0;
    };
    EXPECT_EQ(Run(), -1);
    ASSERT_EQ(Received.size(), 3u);
    EXPECT_EQ(Received[1].wParam, (1u << 16) | IDOK);
    EXPECT_EQ(Machine().endDialogCode, -1);
}

TEST_F(DialogTest, BeforePressRunsBeforeEachPress) {
    std::vector<size_t> snapshotsSeen;
    Machine().beforePress = [&](machine::Machine& m) {
        snapshotsSeen.push_back(m.snapshots.size());
    };
    Handler = [](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_COMMAND && wParam == IDCANCEL) {
            EndDialog(dialog, -1);
        }
        return 0;
    };
    Machine().presses = {IDOK, 4, IDCANCEL};
    EXPECT_EQ(Run(), -1);
    EXPECT_EQ(snapshotsSeen, (std::vector<size_t>{0, 1, 2}));
}

TEST_F(DialogTest, CommandsAndCursorQueriesNestInsideAMessageBox) {
    bool busy = false;
    INT_PTR cursorResult = 0;
    Handler = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_SETCURSOR && busy) {
            SetCursor(LoadCursorA(nullptr, IDC_WAIT));
            return 1;
        }
        if (message != WM_COMMAND) {
            return 0;
        }
        if (busy) {
            return 0; // ignored while a press is handled
        }
        if (wParam == IDOK) {
            busy = true;
            MessageBoxA(dialog, "ディスクを入れて下さい", "T", MB_OKCANCEL);
            busy = false;
        } else if (wParam == IDCANCEL) {
            EndDialog(dialog, -1);
        }
        return 0;
    };
    Machine().onMessageBox = [&](const machine::MessageBoxRecord&) {
        Machine().SendCommand(IDCANCEL); // the user presses Abort while the box is up
        cursorResult = Machine().SendSetCursor();
        return IDCANCEL;
    };
    Machine().presses = {IDOK, IDCANCEL};
    EXPECT_EQ(Run(), -1);
    EXPECT_EQ(cursorResult, 1);
    ASSERT_EQ(Machine().boxes.size(), 1u);
    EXPECT_NE(Machine().boxes[0].owner, nullptr);
    // The nested command and both presses each left a snapshot; the nested
    // one shows the wait cursor of the busy dialog.
    ASSERT_EQ(Machine().snapshots.size(), 3u);
    EXPECT_EQ(Machine().presses.size(), 0u);
    EXPECT_EQ(Machine().dialog.cursor, "wait");
}

TEST_F(DialogTest, NothingIsDeliveredWithoutAnOpenDialog) {
    EXPECT_EQ(Machine().SendCommand(IDOK), 0);
    EXPECT_EQ(Machine().SendSetCursor(), 0);
    EXPECT_TRUE(Received.empty());
    EXPECT_TRUE(Machine().snapshots.empty());
}

TEST_F(DialogTest, ControlsOutsideTheTemplateAreNotFound) {
    Handler = [](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            EXPECT_EQ(GetDlgItem(dialog, 999), nullptr);
            EXPECT_EQ(GetLastError(), ERROR_CONTROL_ID_NOT_FOUND);
            EXPECT_FALSE(SetDlgItemTextA(dialog, 999, "x"));
            EXPECT_NE(GetDlgItem(dialog, IDOK), GetDlgItem(dialog, IDCANCEL));
            EndDialog(dialog, 0);
        }
        return 0;
    };
    EXPECT_EQ(Run(), 0);
}

TEST(Cursors, WaitAndArrowAreDistinct) {
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    EXPECT_NE(wait, nullptr);
    EXPECT_NE(arrow, nullptr);
    EXPECT_NE(wait, arrow);
}

} // namespace
