#include "app/event_table.h"

#include "app/command_enabler.h"

const TEventEntry* TEventTable::Find(TEventEntry::TKind kind, UINT id) const {
  for (const TEventTable* t = this; t != nullptr; t = t->Base) {
    for (std::size_t i = 0; i < t->Count; ++i) {
      if (t->Entries[i].Kind == kind && t->Entries[i].Id == id) return &t->Entries[i];
    }
  }
  return nullptr;
}

const TEventTable& TEventHandler::Events() {
  static const TEventTable kRoot{nullptr, 0, nullptr};
  return kRoot;
}

bool TEventHandler::DispatchMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const TEventEntry* e = FindEntry(TEventEntry::TKind::Message, msg);
  if (e == nullptr) return false;
  result = e->Message(*this, wParam, lParam);
  return true;
}

bool TEventHandler::DispatchCommand(UINT id) {
  const TEventEntry* e = FindEntry(TEventEntry::TKind::Command, id);
  if (e == nullptr) return false;
  e->Command(*this);
  return true;
}

bool TEventHandler::DispatchEnabler(TCommandEnabler& enabler) {
  const TEventEntry* e = FindEntry(TEventEntry::TKind::Enabler, enabler.GetId());
  if (e == nullptr) return false;
  e->Enabler(*this, enabler);
  return true;
}
