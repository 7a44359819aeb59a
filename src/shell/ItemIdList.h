#pragma once

#include <windows.h>
#include <objbase.h>
#include <shtypes.h>

#include <memory>

namespace tidemark {

// Item identifier lists handed out by the shell belong to the caller, who
// frees them with the task allocator.
struct CoTaskMemDeleter {
    void operator()(void *p) const { CoTaskMemFree(p); }
};
using ItemIdList = std::unique_ptr<ITEMIDLIST, CoTaskMemDeleter>;

}  // namespace tidemark
