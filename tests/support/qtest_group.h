// The QTest classes of all test folders share the executable test_widgets. This header comes
// before everything else in its sources (it is part of their precompiled header) and turns
// QTEST_MAIN(Class) into the registration of Class under the name of its source file, so a test
// source reads like any QTest source; `test_widgets NAME [QTest options]` runs the class of
// NAME.cpp in a process of its own, exactly as QTEST_MAIN's main() would.
#pragma once

#include <QApplication>
#include <QtTest>

namespace qtest_group {

using TRun = int (*)(int argc, char** argv);

// Registers the class of the source file `file` (its name without folder and extension).
bool Register(const char* file, TRun run);

}  // namespace qtest_group

#undef QTEST_MAIN
#define QTEST_MAIN(TestObject)                                                                                      \
  namespace {                                                                                                       \
  int RunQTest##TestObject(int argc, char** argv) {                                                                 \
    QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain)<TestObject>();                                              \
    QTEST_MAIN_SETUP()                                                                                              \
    TestObject tc;                                                                                                  \
    QTEST_SET_MAIN_SOURCE_PATH                                                                                      \
    return QTest::qExec(&tc, argc, argv);                                                                           \
  }                                                                                                                 \
  [[maybe_unused]] const bool kQTestRegistered##TestObject = qtest_group::Register(__FILE__, RunQTest##TestObject); \
  }
