#include "app/date_text.h"

#include "support/scripted_messages.h"

#include <QDateTime>
#include <gtest/gtest.h>

using datetext::formatDate;
using datetext::parseDate;

TEST(DateText, ReadsDayFirstDates) {
    EXPECT_EQ(parseDate(" 01/02/2009 "), QDate(2009, 2, 1));
    EXPECT_EQ(parseDate("29/02/2008"), QDate(2008, 2, 29));
    EXPECT_EQ(parseDate("1-2-2009"), QDate(2009, 2, 1));
    EXPECT_EQ(parseDate("1.2.2009"), QDate(2009, 2, 1));
    EXPECT_EQ(parseDate("1/2/29"), QDate(2029, 2, 1));
    EXPECT_EQ(parseDate("1/2/30"), QDate(1930, 2, 1));
    for (const char* text : {"31/02/2009", "29/02/2009", "12/31/2009", "0/1/2009", "1/13/2009",
                             "1/2", "1/2/209", "1/2/0999", "1/2-2009", "01022009", "hoy", ""})
        EXPECT_FALSE(parseDate(text).isValid()) << text;
}

TEST(DateText, LeavingADateField) {
    ScriptedMessages messages;
    QString field = "31/02/2009";
    EXPECT_FALSE(datetext::leaveDateField(field));
    EXPECT_EQ(field, "31/02/2009");
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "La fecha no es Válida");
    EXPECT_EQ(messages.shown()[0].style, 16);

    field = "1/2/2009";
    EXPECT_TRUE(datetext::leaveDateField(field));
    EXPECT_EQ(field, "01/02/2009");
    field = "   ";
    EXPECT_TRUE(datetext::leaveDateField(field));
    EXPECT_EQ(field, "   ");
    EXPECT_EQ(messages.shown().size(), 1u);
}

TEST(DateText, ShowsStoredDates) {
    EXPECT_EQ(formatDate(QVariant(QDate(2009, 12, 31))), "31/12/2009");
    EXPECT_EQ(formatDate(QVariant(QDateTime(QDate(2009, 2, 1), QTime(13, 5)))), "01/02/2009");
    EXPECT_EQ(formatDate(QVariant(QStringLiteral("2009-02-01 00:00:00"))), "01/02/2009");
    EXPECT_EQ(formatDate(QVariant()), "");
    EXPECT_EQ(formatDate(QVariant(QMetaType::fromType<QDate>())), "");
    EXPECT_EQ(formatDate(QDate()), "");
}
