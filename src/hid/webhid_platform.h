// The WebHID back end of the HID layer, for the WebAssembly build in a browser: the devices this
// page was granted (navigator.hid), one report each way through the page's HID link
// (web/webhid_link.js), the Web Locks API as the lock of an operation.
#pragma once

#include <memory>

#include "hid/hid_platform.h"

// Transfers wait for the browser through Asyncify: call the exported entry points of the page's
// module as asynchronous (ccall with async: true).
std::unique_ptr<THidPlatform> CreateWebHidPlatform();
