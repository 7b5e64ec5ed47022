// The message boxes the program showed, as error boxes of one caption.
#pragma once

#include "platform/posix/machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The texts of the boxes shown so far, in order; each box is expected to be
// an error box (error icon, single OK button) with the given caption.
inline std::vector<std::string> ErrorBoxTexts(const std::string& caption) {
    std::vector<std::string> texts;
    for (const auto& box : machine::TheMachine().boxes) {
        EXPECT_EQ(box.caption, caption) << box.text;
        EXPECT_EQ(box.style, MB_ICONERROR) << box.text;
        texts.push_back(box.text);
    }
    return texts;
}
