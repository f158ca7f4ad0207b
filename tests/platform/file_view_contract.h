// The file view's contract: whole files mapped read-only, nothing for what cannot be mapped.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/file_view.h"
#include "tests/test_support.h"

namespace platform_contract {

template <typename Backend>
class FileViewContract : public testing::Test {
 protected:
  tessaro_test::TempDir dir_;
};
TYPED_TEST_SUITE_P(FileViewContract);

TYPED_TEST_P(FileViewContract, MapsWholeFilesAndRefusesWhatCannotBeMapped) {
  using platform::FileView;
  tessaro_test::WriteFile(this->dir_ / "doc.bin", std::string("a\0b", 3));
  tessaro_test::WriteFile(this->dir_ / "empty.bin", "");
  auto view = FileView::Open(this->dir_ / "doc.bin");
  ASSERT_TRUE(view.has_value());
  EXPECT_EQ(view->size(), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(view->data()), 3), std::string("a\0b", 3));
  FileView moved = std::move(*view);
  EXPECT_EQ(moved.size(), 3u);
  EXPECT_EQ(view->data(), nullptr);
  EXPECT_FALSE(FileView::Open(this->dir_ / "empty.bin").has_value());
  EXPECT_FALSE(FileView::Open(this->dir_ / "missing.bin").has_value());
  EXPECT_FALSE(FileView::Open(this->dir_.path()).has_value());  // a folder
}

TYPED_TEST_P(FileViewContract, SeveralViewsAndReadersAtOnce) {
  using platform::FileView;
  const std::string path = this->dir_ / "shared.bin";
  const std::string bytes(256 * 1024, 'x');
  tessaro_test::WriteFile(path, bytes);
  auto first = FileView::Open(path);
  auto second = FileView::Open(path);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(tessaro_test::ReadFile(path), bytes);
  EXPECT_EQ(first->size(), bytes.size());
  EXPECT_EQ(first->data()[bytes.size() - 1], 'x');
}

REGISTER_TYPED_TEST_SUITE_P(FileViewContract, MapsWholeFilesAndRefusesWhatCannotBeMapped,
                            SeveralViewsAndReadersAtOnce);

}  // namespace platform_contract
