// A preference store over the registry under test, its message boxes recorded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "prefs/config_manager.h"
#include "tests/prefs/registry_fixture.h"
#include "tests/support/recording_message_boxes.h"

namespace regcorvex::test {

inline constexpr platform::Hwnd kApplicationWindow{0x1234};
inline constexpr unsigned kErrorBoxStyle = 0x10010;  // MB_OK | MB_ICONERROR | MB_SETFOREGROUND

class ConfigStoreTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    store_ = std::make_unique<TConfigManager>(registry(), boxes_, kApplicationWindow);
  }
  void TearDown() override { store_.reset(); }

  // Texts of the boxes shown so far, each preceded by its caption and a bar.
  std::vector<std::string> Boxes() const {
    std::vector<std::string> shown;
    for (const RecordedBox& box : boxes_.boxes) shown.push_back(box.caption + " | " + box.text);
    return shown;
  }

  RecordingMessageBoxes boxes_;
  std::unique_ptr<TConfigManager> store_;
};

}  // namespace regcorvex::test
