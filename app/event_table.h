// Event tables: static, typed tables, one per class, binding platform messages,
// command ids and command enablers to member handlers. A class's own table is
// searched first, then its base class's.
//
//   class TMyWindow : public TWindow {
//     DECLARE_EVENTS(TMyWindow);   // first in the class body
//    ...
//   };
//   DEFINE_EVENTS(TMyWindow, TWindow)
//   EVENT_COMMAND(CM_NEW, NewGame)
//   EVENT_ENABLER(CM_NEW, NewEnabled)
//   EVENT_MESSAGE(WM_TIMER, Tick)
//   END_EVENTS
//
// A message handler gets the message's parameters unpacked, with the signature that
// TCracker<message> below gives; a mismatch does not compile. A command handler takes
// nothing; an enabler handler takes a TCommandEnabler&.
#pragma once

#include <cstddef>
#include <iterator>

#include "platform/platform.h"

class TCommandEnabler;
class TEventHandler;

struct TEventEntry {
  enum class TKind { Message, Command, Enabler };
  using TMessageCall = LRESULT (*)(TEventHandler&, WPARAM, LPARAM);
  using TCommandCall = void (*)(TEventHandler&);
  using TEnablerCall = void (*)(TEventHandler&, TCommandEnabler&);

  TKind Kind;
  UINT Id;
  TMessageCall Message = nullptr;
  TCommandCall Command = nullptr;
  TEnablerCall Enabler = nullptr;
};

struct TEventTable {
  const TEventEntry* Entries;
  std::size_t Count;
  const TEventTable* Base;  // the base class's table; null for the root

  // The first entry of this kind and id, own table first, then the bases'.
  const TEventEntry* Find(TEventEntry::TKind kind, UINT id) const;
};

// What has an event table: windows and the application.
class TEventHandler {
 public:
  virtual ~TEventHandler() = default;

  static const TEventTable& Events();  // the root table, empty
  virtual const TEventTable& ClassEvents() const { return Events(); }

  const TEventEntry* FindEntry(TEventEntry::TKind kind, UINT id) const {
    return ClassEvents().Find(kind, id);
  }
  bool HasCommand(UINT id) const { return FindEntry(TEventEntry::TKind::Command, id) != nullptr; }
  // Each runs the entry found, if any, and answers whether there was one.
  bool DispatchMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool DispatchCommand(UINT id);
  bool DispatchEnabler(TCommandEnabler& enabler);
};

// Unpacking of each message's parameters for its handler.
template <UINT Msg>
struct TCracker;

namespace event_detail {

inline POINT PointOf(LPARAM l) {
  return {GET_X_LPARAM(l), GET_Y_LPARAM(l)};
}
template <typename T>
inline T HandleOf(std::uintptr_t v) {
  return reinterpret_cast<T>(v);
}

// void(): the message's parameters mean nothing to the handler.
struct TNoArgs {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM, LPARAM) {
    (c.*H)();
    return 0;
  }
};
// void(UINT modKeys, const POINT& point), the point in client coordinates.
struct TMouse {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM w, LPARAM l) {
    (c.*H)(static_cast<UINT>(w), PointOf(l));
    return 0;
  }
};
// void(HWND other): the window that had or gets the focus.
struct TFocus {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM w, LPARAM) {
    (c.*H)(HandleOf<HWND>(w));
    return 0;
  }
};
// void(UINT code, UINT thumbPos, HWND control).
struct TScroll {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM w, LPARAM l) {
    (c.*H)(static_cast<UINT>(LOWORD(w)), static_cast<UINT>(HIWORD(w)),
           HandleOf<HWND>(static_cast<std::uintptr_t>(l)));
    return 0;
  }
};
// void(UINT key, UINT repeatCount, UINT flags).
struct TKey {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM w, LPARAM l) {
    const auto bits = static_cast<std::uintptr_t>(l);
    (c.*H)(static_cast<UINT>(w), static_cast<UINT>(LOWORD(bits)), static_cast<UINT>(HIWORD(bits)));
    return 0;
  }
};

}  // namespace event_detail

// Answers 0 to go on with the creation, -1 to make it fail: int(CREATESTRUCTA&).
template <>
struct TCracker<WM_CREATE> {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM, LPARAM l) {
    return (c.*H)(*reinterpret_cast<CREATESTRUCTA*>(l));
  }
};
template <>
struct TCracker<WM_DESTROY> : event_detail::TNoArgs {};
template <>
struct TCracker<WM_NCDESTROY> : event_detail::TNoArgs {};
template <>
struct TCracker<WM_CLOSE> : event_detail::TNoArgs {};
template <>
struct TCracker<WM_PAINT> : event_detail::TNoArgs {};
// bool(HDC dc): true when the background was erased.
template <>
struct TCracker<WM_ERASEBKGND> {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM w, LPARAM) {
    return (c.*H)(event_detail::HandleOf<HDC>(w)) ? TRUE : FALSE;
  }
};
// void(UINT sizeType, const SIZE& clientSize).
template <>
struct TCracker<WM_SIZE> {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM w, LPARAM l) {
    const auto v = static_cast<std::uintptr_t>(l);
    (c.*H)(static_cast<UINT>(w), SIZE{LOWORD(v), HIWORD(v)});
    return 0;
  }
};
// void(UINT timerId).
template <>
struct TCracker<WM_TIMER> {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM w, LPARAM) {
    (c.*H)(static_cast<UINT>(w));
    return 0;
  }
};
template <>
struct TCracker<WM_MOUSEMOVE> : event_detail::TMouse {};
template <>
struct TCracker<WM_LBUTTONDOWN> : event_detail::TMouse {};
template <>
struct TCracker<WM_LBUTTONUP> : event_detail::TMouse {};
template <>
struct TCracker<WM_LBUTTONDBLCLK> : event_detail::TMouse {};
template <>
struct TCracker<WM_RBUTTONDOWN> : event_detail::TMouse {};
template <>
struct TCracker<WM_RBUTTONUP> : event_detail::TMouse {};
template <>
struct TCracker<WM_SETFOCUS> : event_detail::TFocus {};
template <>
struct TCracker<WM_KILLFOCUS> : event_detail::TFocus {};
template <>
struct TCracker<WM_HSCROLL> : event_detail::TScroll {};
template <>
struct TCracker<WM_VSCROLL> : event_detail::TScroll {};
template <>
struct TCracker<WM_KEYDOWN> : event_detail::TKey {};
template <>
struct TCracker<WM_KEYUP> : event_detail::TKey {};
template <>
struct TCracker<WM_CHAR> : event_detail::TKey {};
// bool(HWND over, UINT hitTest, UINT mouseMsg): true when the cursor was set.
template <>
struct TCracker<WM_SETCURSOR> {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM w, LPARAM l) {
    const auto v = static_cast<std::uintptr_t>(l);
    return (c.*H)(event_detail::HandleOf<HWND>(w), static_cast<UINT>(LOWORD(v)),
                  static_cast<UINT>(HIWORD(v)))
               ? TRUE
               : FALSE;
  }
};
// void(HMENU popup, UINT index, bool systemMenu).
template <>
struct TCracker<WM_INITMENUPOPUP> {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM w, LPARAM l) {
    const auto v = static_cast<std::uintptr_t>(l);
    (c.*H)(event_detail::HandleOf<HMENU>(w), static_cast<UINT>(LOWORD(v)), HIWORD(v) != 0);
    return 0;
  }
};
// void(UINT source, HWND window): source is MSGF_DIALOGBOX or MSGF_MENU.
template <>
struct TCracker<WM_ENTERIDLE> {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM w, LPARAM l) {
    (c.*H)(static_cast<UINT>(w), event_detail::HandleOf<HWND>(static_cast<std::uintptr_t>(l)));
    return 0;
  }
};
// HICON().
template <>
struct TCracker<WM_QUERYDRAGICON> {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>((c.*H)());
  }
};
// bool(): true when the session may end.
template <>
struct TCracker<WM_QUERYENDSESSION> {
  template <auto H, typename C>
  static LRESULT Call(C& c, WPARAM, LPARAM) {
    return (c.*H)() ? TRUE : FALSE;
  }
};

namespace event_detail {

template <typename M>
struct TMemberOf;
template <typename R, typename C, typename... A>
struct TMemberOf<R (C::*)(A...)> {
  using Class = C;
};
template <typename R, typename C, typename... A>
struct TMemberOf<R (C::*)(A...) const> {
  using Class = C;
};

template <UINT Msg, auto H>
constexpr TEventEntry MessageEntry() {
  using C = typename TMemberOf<decltype(H)>::Class;
  return {TEventEntry::TKind::Message, Msg, [](TEventHandler& h, WPARAM w, LPARAM l) -> LRESULT {
            return TCracker<Msg>::template Call<H>(static_cast<C&>(h), w, l);
          }};
}

// A message whose parameters the handler takes as they come: LRESULT(WPARAM, LPARAM).
template <UINT Msg, auto H>
constexpr TEventEntry RawEntry() {
  using C = typename TMemberOf<decltype(H)>::Class;
  return {TEventEntry::TKind::Message, Msg, [](TEventHandler& h, WPARAM w, LPARAM l) -> LRESULT {
            return (static_cast<C&>(h).*H)(w, l);
          }};
}

template <auto H>
constexpr TEventEntry CommandEntry(UINT id) {
  using C = typename TMemberOf<decltype(H)>::Class;
  return {TEventEntry::TKind::Command, id, nullptr,
          [](TEventHandler& h) { (static_cast<C&>(h).*H)(); }};
}

template <auto H>
constexpr TEventEntry EnablerEntry(UINT id) {
  using C = typename TMemberOf<decltype(H)>::Class;
  return {TEventEntry::TKind::Enabler, id, nullptr, nullptr,
          [](TEventHandler& h, TCommandEnabler& ce) { (static_cast<C&>(h).*H)(ce); }};
}

}  // namespace event_detail

#define DECLARE_EVENTS(Class)                       \
 public:                                            \
  static const TEventTable& Events();               \
  const TEventTable& ClassEvents() const override { \
    return Class::Events();                         \
  }                                                 \
                                                    \
 private:                                           \
  static_assert(true)

// The table's entries go between DEFINE_EVENTS and END_EVENTS, one per line.
#define DEFINE_EVENTS(Class, Base)     \
  const TEventTable& Class::Events() { \
    using TSelf = Class;               \
    using TBaseClass = Base;           \
    static constexpr TEventEntry kEntries[] = {
#define END_EVENTS                                                                       \
  }                                                                                      \
  ;                                                                                      \
  static const TEventTable kTable{kEntries, std::size(kEntries), &TBaseClass::Events()}; \
  return kTable;                                                                         \
  }

#define EVENT_MESSAGE(msg, handler) event_detail::MessageEntry<msg, &TSelf::handler>(),
#define EVENT_RAW(msg, handler) event_detail::RawEntry<msg, &TSelf::handler>(),
#define EVENT_COMMAND(id, handler) event_detail::CommandEntry<&TSelf::handler>(id),
#define EVENT_ENABLER(id, handler) event_detail::EnablerEntry<&TSelf::handler>(id),
