// What the key storage tests share about the recording test plugin
// (plugins/RecordingManager.cpp).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/SharedLibrary.h"

namespace tavrpki::test {

// The machine hive's line that names `path` as the key storage manager library.
inline std::string PathValue(const std::string& path) { return "\"KeyStorageManager\"=\"" + path + "\""; }

// The live-manager count kept by the recording plugin.
inline int LiveManagers() {
  platform::SharedLibrary plugin;
  EXPECT_TRUE(plugin.Load(TAVRPKI_RECORDING_PLUGIN)) << plugin.LastError();
  auto* count = reinterpret_cast<int (*)()>(plugin.Symbol("TestLiveManagers"));
  return count != nullptr ? count() : -1;
}

}  // namespace tavrpki::test
