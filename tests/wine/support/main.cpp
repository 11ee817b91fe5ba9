// Test entry: message boxes never block a test run. A message that no test
// expected fails the running test with its text.
#include <gtest/gtest.h>

#include "support/harness.h"
#include "ui/message_box.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  tarifex::SetMessageSink([](const tarifex::MessageRecord& m) {
    ADD_FAILURE() << "unexpected message box: " << tarifex::test::Utf8(m.text);
  });
  return RUN_ALL_TESTS();
}
