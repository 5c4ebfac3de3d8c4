#include "platform/gui/QtApp.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

TEST(QtAppTest, CreatesOneApplicationObject) {
    EnsureQtApp();
    QCoreApplication* first = QCoreApplication::instance();
    ASSERT_NE(first, nullptr);
    EnsureQtApp();
    EXPECT_EQ(QCoreApplication::instance(), first);
}
