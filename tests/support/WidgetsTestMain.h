#pragma once

#include "tests/support/TestMain.h"

#include <QApplication>

// Widget tests (label ui, which link Qt Widgets): the same process setup with a widgets application.
#define WISPLET_WIDGETS_TEST_MAIN(TestClass) WISPLET_TEST_MAIN_WITH(QApplication, TestClass)
