// The vendor's web-site address, one constant for the whole program (the mail notice,
// the About box and anything else that points users to the vendor).
#pragma once

constexpr char VENDOR_WEB_ADDRESS[] = "https://www.orvanel.com/quillnox";
