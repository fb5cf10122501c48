#pragma once
// Where URLs offered from outside the program come from, and what becomes of them: added at
// once, the new-job property sheet, or a "Select Url" window. MainWindow::offerUrls is the
// one entry point; this is its decision, without widgets.
//
// Any thread (pure).

#include <cstddef>

#include "store/settings_records.h"

namespace fw {

enum class UrlSource {
  Clipboard,     // a copied link: "Monitor" bit 0x02 asks for the sheet
  BrowserClick,  // a caught browser click: "Monitor" bit 0x08 asks for the sheet
  BrowserMenu,   // "Download using Fetchwright": always the sheet
  LinkList,      // "Download All by Fetchwright": always a "Select Url" window
  DropZone,      // a drop: "When a URL is dropped on the DropZone" asks for the sheet
  Batch,         // "Add batch download...": "Setting confirm when add batch URLs" asks
                 // for a "Select Url" window
  CommandLine,   // a URL named on the program's command line: the sheet, as "New DownLoad"
};

enum class OfferAction { Nothing, AddNow, PropertySheet, SelectUrl };

// Confirmation bits of "OtherFlag" (its first byte).
inline constexpr uint32_t kConfirmBatchBit = 0x02;
inline constexpr uint32_t kConfirmDropBit = 0x04;

// What `count` URLs from `source` lead to. Several URLs go to a "Select Url" window unless
// they come from a batch without its confirmation (then they are added at once).
OfferAction decideOffer(UrlSource source, size_t count, const GeneralSettings& general);

}  // namespace fw
