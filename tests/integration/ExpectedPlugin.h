// What a host must see of the built plug-in. Whether the editor is built in
// is decided once, by the build (TRELLISOR_EXPECT_EDITOR), and every
// expectation that depends on it follows from here.
#pragma once

#include <cstdint>

namespace expected {

#ifndef TRELLISOR_EXPECT_EDITOR
#error "TRELLISOR_EXPECT_EDITOR must be defined by the build"
#endif
constexpr bool kHasEditor = TRELLISOR_EXPECT_EDITOR != 0;

constexpr int32_t kCanReplacing = 16;
constexpr int32_t kFlags = kCanReplacing | (kHasEditor ? 1 : 0);
constexpr int32_t kUniqueId = 0x4B535630;  // 'KSV0' = 1263752752
static_assert(kUniqueId == ('K' << 24 | 'S' << 16 | 'V' << 8 | '0'));
constexpr const char* kVendor = "Kestova Software, Halvoren";
constexpr const char* kProduct = "Trellisor VST";

}  // namespace expected
