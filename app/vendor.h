// The maker's web address: shown and opened by the information box's link and the
// About box, and named at the end of the built-in mail notice. One value for the
// whole program.
#pragma once

inline constexpr const char kVendorWebAddress[] = "www.orvanel.example";
