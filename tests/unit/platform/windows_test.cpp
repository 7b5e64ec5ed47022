#include "tests/unit/platform/platform_fixture.h"

#include <string>

namespace {

using WindowTest = PlatformTest;

TEST_F(WindowTest, MessageBoxIsRecorded) {
    HWND owner = Machine().AddWindow("#32770", "Owner");
    MessageBoxA(owner, "本文 100%", "見出し", MB_ICONERROR);
    ASSERT_EQ(Machine().boxes.size(), 1u);
    EXPECT_EQ(Machine().boxes[0].owner, owner);
    EXPECT_EQ(Machine().boxes[0].text, "本文 100%");
    EXPECT_EQ(Machine().boxes[0].caption, "見出し");
    EXPECT_EQ(Machine().boxes[0].style, MB_ICONERROR);
}

TEST_F(WindowTest, MessageBoxAnswersInOrderOfPrecedence) {
    // Without a script: OK boxes give IDOK, OK/Cancel boxes IDCANCEL.
    EXPECT_EQ(MessageBoxA(nullptr, "a", "c", MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "a", "c", MB_OKCANCEL), IDCANCEL);
    // Scripted answers are taken in order.
    Machine().answers = {IDOK, IDCANCEL};
    EXPECT_EQ(MessageBoxA(nullptr, "a", "c", MB_OKCANCEL), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "a", "c", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "a", "c", MB_OKCANCEL), IDCANCEL);
    // A handler overrides the queue.
    Machine().answers = {IDCANCEL};
    Machine().onMessageBox = [](const machine::MessageBoxRecord& box) {
        return box.text == "again" ? IDOK : IDCANCEL;
    };
    EXPECT_EQ(MessageBoxA(nullptr, "again", "c", MB_OKCANCEL), IDOK);
    EXPECT_EQ(Machine().answers.size(), 1u);
    EXPECT_EQ(Machine().boxes.size(), 6u);
}

TEST_F(WindowTest, FindWindowMatchesClassAndTitleWithoutRegardToCase) {
    HWND game = Machine().AddWindow("GameClass", "Game Title");
    HWND dialog = Machine().AddWindow("#32770", "ゲーム アップデート 1.1");
    struct Case {
        LPCSTR className;
        LPCSTR title;
        HWND expected;
    };
    const Case cases[] = {
        {"GameClass", "Game Title", game},
        {"GAMECLASS", "game title", game},
        {"GameClass", nullptr, game},
        {nullptr, "Game Title", game},
        {"GameClass", "Game", nullptr},
        {"Other", "Game Title", nullptr},
        {MAKEINTATOM(0x8002), "ゲーム アップデート 1.1", dialog},
        {"#32770", "ゲーム アップデート 1.1", dialog},
        {MAKEINTATOM(0x8002), "ゲーム アップデート 1.2", nullptr},
        {MAKEINTATOM(0x8003), "ゲーム アップデート 1.1", nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindWindowA(c.className, c.title), c.expected)
            << (c.title == nullptr ? "(any title)" : c.title);
    }
}

TEST_F(WindowTest, ClosedWindowsAreNotFound) {
    HWND game = Machine().AddWindow("GameClass", "Game");
    Machine().CloseWindow(game);
    EXPECT_EQ(FindWindowA("GameClass", "Game"), nullptr);
    EXPECT_FALSE(ShowWindow(game, SW_SHOW));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowTest, ShowAndForegroundAreRecorded) {
    HWND first = Machine().AddWindow("A", "a");
    HWND second = Machine().AddWindow("B", "b");
    EXPECT_FALSE(ShowWindow(second, SW_SHOW)); // was hidden
    EXPECT_TRUE(ShowWindow(second, SW_SHOW));  // now shown
    EXPECT_TRUE(SetForegroundWindow(first));
    EXPECT_TRUE(SetForegroundWindow(second));
    EXPECT_TRUE(Machine().windows[1].shown);
    EXPECT_TRUE(Machine().windows[1].foreground);
    EXPECT_FALSE(Machine().windows[0].shown);
    EXPECT_FALSE(Machine().windows[0].foreground);
}

TEST_F(WindowTest, CoInitializeIsCounted) {
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(Machine().coInitializeCalls, 2);
}

} // namespace
