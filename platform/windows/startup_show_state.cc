#include "platform/windows/startup_show_state.h"

namespace wrenpost {
namespace {

// The SW_ values of the Windows headers that show a window as it is.
constexpr std::uint16_t kShowNormal = 1;
constexpr std::uint16_t kShow = 5;
constexpr std::uint16_t kRestore = 9;
constexpr std::uint16_t kShowDefault = 10;

}  // namespace

bool MustUseUpStartupShowState(bool uses_show_window, std::uint16_t show_state) {
  if (!uses_show_window) return false;
  return show_state != kShowNormal && show_state != kShow && show_state != kRestore &&
         show_state != kShowDefault;
}

}  // namespace wrenpost
