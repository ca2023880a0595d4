#pragma once

#include <memory>

#include "core/ftp/FTPListItems.h"

// What one folder tree node knows of its folder.
struct TFolderTreeData {
  // Typed in by Change Folder rather than found in a listing; stays for the node's life.
  bool Unlisted = false;
  // The folder's entry in its parent's listing, not owned; none until the parent is listed.
  TFTPListItem* Entry = nullptr;
  // The folder's own listing; none until the folder has been listed.
  std::unique_ptr<TFTPListItems> Listing;
};
