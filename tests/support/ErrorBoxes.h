#pragma once
// The "Error" box as tests see it: the platform's text for an error code, in the
// language of the test's locale.
#include "platform/framework/HeadlessBackend.h"
#include "platform/framework/Styles.h"
#include "platform/kernel/Kernel.h"
#include "platform/text/Cp932.h"

#include <gtest/gtest.h>

// The platform's text for an error code, in the language of the test's locale.
inline CString SystemText(DWORD code) {
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, text, sizeof text, nullptr);
    return text;
}

// A job that failed shows exactly one "Error" box with the platform's text for
// its code; one that did not (code 0) shows none.
inline void ExpectErrorBox(const framework::HeadlessBackend& backend, DWORD code) {
    if (code == 0) {
        EXPECT_TRUE(backend.boxes.empty());
        return;
    }
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0].caption, "Error");
    EXPECT_EQ(backend.boxes[0].text, SystemText(code));
}

// A read error a job may step over: the "Error" box, then the question whether to
// go on, which a test that does not answer it answers "No".
inline void ExpectErrorBoxAndQuestion(const framework::HeadlessBackend& backend, DWORD code) {
    ASSERT_EQ(backend.boxes.size(), 2u);
    EXPECT_EQ(backend.boxes[0].caption, "Error");
    EXPECT_EQ(backend.boxes[0].text, SystemText(code));
    EXPECT_EQ(backend.boxes[1].text, Jp("読み取れないセクタを飛ばして続けますか？").c_str());
    EXPECT_EQ(backend.boxes[1].type, MB_YESNO | MB_ICONQUESTION);
}
