#include "core/carrier/Carrier.h"

TCarryRequest CarryRequestFor(const TFTPCarryItem& item) {
  const bool folder = item.IsFolder != 0;
  switch (item.Direction) {
    case carryUpload:
      return folder ? TCarryRequest::ExploreUpload : TCarryRequest::CarryUpload;
    case carryServerToServer:
      return folder ? TCarryRequest::ExploreServerToServer : TCarryRequest::CarryServerToServer;
    default:
      return folder ? TCarryRequest::ExploreDownload : TCarryRequest::CarryDownload;
  }
}
