#include "ui/main_window/url_offer.h"

namespace fw {

OfferAction decideOffer(UrlSource source, size_t count, const GeneralSettings& g) {
  if (count == 0) return OfferAction::Nothing;
  if (source == UrlSource::Batch)
    return (g.otherFlag & kConfirmBatchBit) ? OfferAction::SelectUrl : OfferAction::AddNow;
  if (count > 1 || source == UrlSource::LinkList) return OfferAction::SelectUrl;
  bool confirm = true;
  switch (source) {
    case UrlSource::Clipboard:
      confirm = g.monitor & 0x02;
      break;
    case UrlSource::BrowserClick:
      confirm = g.monitor & 0x08;
      break;
    case UrlSource::DropZone:
      confirm = g.otherFlag & kConfirmDropBit;
      break;
    default:
      break;
  }
  return confirm ? OfferAction::PropertySheet : OfferAction::AddNow;
}

}  // namespace fw
