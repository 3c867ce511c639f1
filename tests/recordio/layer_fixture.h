// layer_fixture.h - a scratch directory as the working directory, and short
// ways to connect, read and write units in record-layer tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "recordio/statement.h"
#include "recordio/units.h"
#include "tests/support/scratch_dir.h"

namespace testing_support {

class LayerTest : public ::testing::Test {
 protected:
  LayerTest() : cwd_(dir_.path()) {}
  ~LayerTest() override {
    // Units left connected by a failing test must not leak into the next.
    for (std::int32_t unit : {1, 2, 3, 4, 7, 10, 11, 12}) {
      recordio::StatementRequest request;
      request.unit = unit;
      std::int32_t status = 0;
      request.status = &status;
      recordio::close_unit(request);
    }
  }

  // Connects with a status variable, so that a failure comes back as a code.
  std::int32_t connect(std::int32_t unit, std::string_view name,
                       std::optional<std::string_view> status = "old",
                       std::optional<std::string_view> form = "formatted") {
    recordio::StatementRequest request;
    request.unit = unit;
    request.file_name = name;
    request.status_keyword = status;
    request.form_keyword = form;
    std::int32_t code = -99;
    request.status = &code;
    const recordio::Outcome outcome = recordio::open_unit(request);
    EXPECT_EQ(outcome, code == 0 ? recordio::Outcome::success : recordio::Outcome::recorded);
    return code;
  }

  std::int32_t release(std::int32_t unit, std::optional<std::string_view> status = std::nullopt) {
    recordio::StatementRequest request;
    request.unit = unit;
    request.status_keyword = status;
    std::int32_t code = -99;
    request.status = &code;
    recordio::close_unit(request);
    return code;
  }

  ScratchDir dir_;
  WorkingDirectory cwd_;
};

}  // namespace testing_support
