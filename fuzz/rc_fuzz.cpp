// The resource compiler on any text: the first byte chooses the script parser (even)
// or the XPM reader (odd). TRcError is their one way to refuse. What they accept is
// written in the platform's formats, and the platform's own readers must then take it:
// a resource the compiler lets into the program must load at start.
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "platform/platform.h"
#include "platform/resources/decoders.h"
#include "platform/resources/resource_table.h"
#include "platform/ui/dialog_template.h"
#include "tools/rc/image_writer.h"
#include "tools/rc/rc_error.h"
#include "tools/rc/script.h"
#include "tools/rc/template_writer.h"
#include "tools/rc/xpm_reader.h"

namespace {

using klop::rc::TBytes;
using klop_fuzz::Check;

bool MenuLoads(const TBytes& bytes) {
  const platform::ResourceEntry entry{platform::ResourceKind::Menu, "M", bytes.data(),
                                      bytes.size()};
  static platform::ResourceTable table{nullptr, 1};
  table.entries = &entry;
  const HMENU menu = LoadMenuA(platform::RegisterModule(table), "M");
  table.entries = nullptr;
  return menu != nullptr && DestroyMenu(menu) != FALSE;
}

void Script(std::string_view text) {
  const klop::rc::TRcScript script = klop::rc::ParseScript(text, "fuzz.rc");
  for (const klop::rc::TRcResource& r : script.Resources) {
    if (r.Kind == klop::rc::TRcKind::Menu) {
      Check(MenuLoads(klop::rc::EncodeMenu(r.Menu)), "a compiled menu loads");
    } else if (r.Kind == klop::rc::TRcKind::Dialog) {
      const TBytes bytes = klop::rc::EncodeDialog(r.Dialog);
      Check(platform::ParseDialogTemplate(bytes.data(), bytes.size()).has_value(),
            "a compiled dialog template reads");
    }
  }
}

// Each kind checks the picture on its own terms, so each may refuse it alone.
template <typename Encode, typename Decode>
void Picture(Encode encode, Decode decode) {
  TBytes bytes;
  try {
    bytes = encode();
  } catch (const klop::rc::TRcError&) {
    return;
  }
  Check(decode(bytes), "a compiled picture decodes");
}

void Xpm(std::string_view text) {
  const klop::rc::TXpmImage image = klop::rc::ReadXpm(text, "fuzz.xpm");
  Picture([&] { return klop::rc::EncodeBitmap(image, {}, "fuzz.xpm"); },
          [&](const TBytes& b) {
            platform::DecodedBitmap out;
            return platform::DecodeBitmap(b.data(), b.size(), out) && out.width == image.Width &&
                   out.height == image.Height;
          });
  Picture([&] { return klop::rc::EncodeCursor(image, "fuzz.xpm"); },
          [&](const TBytes& b) {
            platform::CursorShape out;
            return platform::DecodeCursor(b.data(), b.size(), out);
          });
  Picture([&] { return klop::rc::EncodeIcon(image, "fuzz.xpm"); },
          [&](const TBytes& b) {
            platform::CursorShape out;
            return platform::DecodeIcon(b.data(), b.size(), out);
          });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    if (data[0] % 2 == 0) {
      Script(text);
    } else {
      Xpm(text);
    }
  } catch (const klop::rc::TRcError&) {
  }
  return 0;
}
