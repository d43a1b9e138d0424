// The browser's keys: KeyboardEvent.code and .key to virtual keys by the xkb hosts'
// rules, and the text a press types.
#include <gtest/gtest.h>

#include "platform/host/host.h"
#include "platform/host/web/web_keyboard.h"

namespace {

using platform::web::TextOf;
using platform::web::VirtualKeyOf;

TEST(WebKeys, LettersAndDigitsFollowTheLayoutElseTheirLatinPlace) {
  EXPECT_EQ(VirtualKeyOf("KeyA", "a"), unsigned('A'));
  EXPECT_EQ(VirtualKeyOf("KeyA", "A"), unsigned('A'));
  EXPECT_EQ(VirtualKeyOf("KeyQ", "a"), unsigned('A'));         // French: A where Q is
  EXPECT_EQ(VirtualKeyOf("KeyZ", "y"), unsigned('Y'));         // German: Y where Z is
  EXPECT_EQ(VirtualKeyOf("KeyF", "\xD0\xB0"), unsigned('F'));  // Russian а: its Latin F
  EXPECT_EQ(VirtualKeyOf("Digit1", "!"), unsigned('1'));
  EXPECT_EQ(VirtualKeyOf("Digit1", "&"), unsigned('1'));       // French, unshifted
  EXPECT_EQ(VirtualKeyOf("Digit0", "0"), unsigned('0'));
  EXPECT_EQ(VirtualKeyOf("Comma", ","), 0xBCu);
  EXPECT_EQ(VirtualKeyOf("KeyM", ","), 0xBCu);                 // French: the comma there
}

TEST(WebKeys, KeysThatTypeNothingGoByTheirPlace) {
  EXPECT_EQ(VirtualKeyOf("F10", "F10"), 0x79u);
  EXPECT_EQ(VirtualKeyOf("F1", "F1"), 0x70u);
  EXPECT_EQ(VirtualKeyOf("F13", "F13"), 0u);
  EXPECT_EQ(VirtualKeyOf("ArrowLeft", "ArrowLeft"), 0x25u);
  EXPECT_EQ(VirtualKeyOf("ArrowDown", "ArrowDown"), 0x28u);
  EXPECT_EQ(VirtualKeyOf("Enter", "Enter"), 0x0Du);
  EXPECT_EQ(VirtualKeyOf("NumpadEnter", "Enter"), 0x0Du);
  EXPECT_EQ(VirtualKeyOf("Escape", "Escape"), 0x1Bu);
  EXPECT_EQ(VirtualKeyOf("Tab", "Tab"), 0x09u);
  EXPECT_EQ(VirtualKeyOf("Backspace", "Backspace"), 0x08u);
  EXPECT_EQ(VirtualKeyOf("AltLeft", "Alt"), 0x12u);
  EXPECT_EQ(VirtualKeyOf("AltRight", "AltGraph"), 0x12u);
  EXPECT_EQ(VirtualKeyOf("ShiftRight", "Shift"), 0x10u);
  EXPECT_EQ(VirtualKeyOf("Space", " "), 0x20u);
  // The keypad by its place, Num Lock on or off.
  EXPECT_EQ(VirtualKeyOf("Numpad1", "1"), 0x61u);
  EXPECT_EQ(VirtualKeyOf("Numpad1", "End"), 0x61u);
  EXPECT_EQ(VirtualKeyOf("Lang1", "HangulMode"), 0u);
  EXPECT_EQ(VirtualKeyOf("", ""), 0u);
  EXPECT_EQ(VirtualKeyOf("Key", "a"), 0u);
}

TEST(WebKeys, TextIsOnePrintableCharacterWithoutAltOrCtrlAlone) {
  using platform::kModAlt;
  using platform::kModCtrl;
  using platform::kModShift;
  EXPECT_EQ(TextOf("2", 0), "2");
  EXPECT_EQ(TextOf("A", kModShift), "A");
  EXPECT_EQ(TextOf("\xC3\xA9", 0), "\xC3\xA9");  // é
  EXPECT_EQ(TextOf("t", kModAlt), "");           // a mnemonic
  EXPECT_EQ(TextOf("c", kModCtrl), "");
  EXPECT_EQ(TextOf("@", kModCtrl | kModAlt), "@");  // AltGr
  EXPECT_EQ(TextOf("Enter", 0), "");
  EXPECT_EQ(TextOf("Dead", 0), "");
  EXPECT_EQ(TextOf("\x7F", 0), "");
  EXPECT_EQ(TextOf("\xC2\x85", 0), "");  // a C1 control
  EXPECT_EQ(TextOf("\xC3", 0), "");      // cut short
  EXPECT_EQ(TextOf("", 0), "");
}

}  // namespace
