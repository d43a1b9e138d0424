// The classic look, in one place: every control, the menu bar, popups and message boxes
// draw their frames, faces, texts and marks through these, so they all look alike.
// Colours are the system colours (GetSysColor): face and menu light grey (192,192,192),
// shadow grey (128,128,128), highlight white, dark shadow black, selection navy
// (0,0,128) with white text, grayed text grey. Texts are drawn in the dialog font.
#pragma once

#include "platform/types.h"

namespace platform::look {

enum class Edge {
  Raised,      // 2 px: white and light grey at top-left, black and grey at bottom-right
  Sunken,      // 2 px: grey and black at top-left, white and light grey at bottom-right
  RaisedThin,  // 1 px: white top-left, grey bottom-right
  SunkenThin,  // 1 px: grey top-left, white bottom-right
  Pressed,     // 2 px: a pushed button: black frame, grey frame inside it
};

// Draws the edge inside `r` (right and bottom exclusive); answers what is left inside.
RECT DrawEdge(HDC dc, const RECT& r, Edge edge);
// Fills `r` with the face colour.
void FillFace(HDC dc, const RECT& r);
void FillColor(HDC dc, const RECT& r, int sysColor);
// A one-pixel frame of a system colour inside `r`.
void FrameColor(HDC dc, const RECT& r, int sysColor);

// Text with `&` marking the mnemonic: "&&" draws one ampersand, the letter after a
// single `&` is underlined. Drawn in the dialog font with a transparent background; (x, y)
// is the top-left of the text's cell. With `prefix` false every `&` is drawn as it is.
enum class TextState { Normal, Grayed /* embossed: white one pixel down-right, grey on top */ };
void DrawMnemonicText(HDC dc, int x, int y, LPCSTR text, COLORREF color, TextState state,
                      bool prefix = true);
// The width and height (the font's cell, 13) the text takes, `&` markers left out.
SIZE MnemonicTextSize(LPCSTR text, bool prefix = true);
// The mnemonic letter of the text, lower-cased, or 0.
char MnemonicOf(LPCSTR text);
// The same text aligned in `r`: horizontally as asked, at the top of `r`.
enum class Align { Left, Center, Right };
void DrawAlignedText(HDC dc, const RECT& r, LPCSTR text, Align align, COLORREF color,
                     TextState state, bool prefix = true);

// The dotted focus rectangle: every other pixel of its outline, inside `r`.
void DrawFocusRect(HDC dc, const RECT& r);

// Push buttons: face, edge, caption centred (shifted one pixel down-right when pressed),
// a black frame around a default button, the focus rectangle inside when focused.
struct ButtonState {
  bool pressed = false;
  bool isDefault = false;
  bool focused = false;
  bool disabled = false;
};
void DrawPushButton(HDC dc, const RECT& r, LPCSTR caption, const ButtonState& state);

// Scroll bar parts. Arrows are raised buttons with a black triangle (grey and embossed
// when disabled); pressed, the button is flat with a grey frame and the triangle moves
// one pixel down-right. The track is the
// white and light grey one-pixel checkerboard, black while a page area is held.
enum class Arrow { Left, Right, Up, Down };
void DrawScrollArrow(HDC dc, const RECT& r, Arrow arrow, bool pressed, bool disabled);
void DrawScrollTrack(HDC dc, const RECT& r, bool held);
void DrawScrollThumb(HDC dc, const RECT& r);
// The narrowest thumb a scroll bar draws; its arrow buttons are square.
constexpr int kMinThumb = 8;

// The boxes of a caption drawn by the program itself (where a Wayland compositor draws
// none): a scroll arrow's button, raised or pressed flat, holding a small triangle
// pointing down (minimise) or up (maximise), both (restore), or a cross (close), moved
// one pixel down-right when pressed.
enum class CaptionBox { Minimize, Maximize, Restore, Close };
void DrawCaptionBox(HDC dc, const RECT& r, CaptionBox box, bool pressed);

// The sunken white field of an edit control, WS_BORDER style; answers the inside.
RECT DrawEditField(HDC dc, const RECT& r, bool disabled);

// Menus: an item at `r`, its text starting at `textX` (the same coordinates as `r`),
// highlighted (navy with white text) or not, grayed or not.
// The text is centred vertically in `r`; a grayed highlighted item has grey text on navy.
void DrawMenuItem(HDC dc, const RECT& r, int textX, LPCSTR text, bool highlighted, bool grayed);
// A separator line across `r` (grey over white), centred vertically.
void DrawMenuSeparator(HDC dc, const RECT& r);

// The message-box icons, 32 by 32, drawn with their transparent parts left alone.
enum class Icon { Stop, Exclamation };
void DrawMessageIcon(HDC dc, int x, int y, Icon icon);
constexpr int kIconSize = 32;

}  // namespace platform::look
