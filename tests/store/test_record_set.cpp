#include "store/record_set.h"

#include <gtest/gtest.h>

using store::FieldType;
using store::RecordSet;

TEST(RecordSet, HoldsRowsAsTheirFieldsTypeThemAndRefusesWhatDoesNotFit) {
    RecordSet rs;
    rs.appendField("id_producto", FieldType::Integer32);
    rs.appendField("nombre", FieldType::Char, 10);
    rs.appendField("porcentaje_seca", FieldType::Double, 0, true);
    EXPECT_THROW(rs.appendField("NOMBRE", FieldType::Char), store::RecordSetError);
    rs.appendRow({3, QStringLiteral("Maíz"), 0.5});
    rs.appendRow({7.6, QStringLiteral("un nombre largo de más"), QVariant()});
    rs.appendRow({qlonglong(2), QStringLiteral("Ñandú"), 1});
    EXPECT_THROW(rs.appendRow({1, QStringLiteral("Soja")}), store::RecordSetError);

    ASSERT_EQ(rs.fieldCount(), 3);
    EXPECT_EQ(rs.field(1).name, "nombre");
    EXPECT_EQ(rs.fieldIndex("PORCENTAJE_SECA"), 2);
    EXPECT_EQ(rs.fieldIndex("costo"), -1);
    ASSERT_EQ(rs.count(), 3);
    EXPECT_EQ(rs.position(), 2); // the row appended last is current

    rs.moveFirst();
    rs.moveNext();
    EXPECT_TRUE(rs.isNull("porcentaje_seca"));
    EXPECT_EQ(rs.toString(" nombre "), "un nombre "); // cut to Char(10); the name trimmed
    EXPECT_EQ(rs.value("id_producto").typeId(), QMetaType::Int);
    EXPECT_EQ(rs.toInt("id_producto"), 8);
    EXPECT_EQ(rs.valueAt(2, 2).typeId(), QMetaType::Double);
    EXPECT_EQ(rs.valueAt(2, 0).typeId(), QMetaType::Int);
    EXPECT_THROW(rs.value("no_existe"), store::RecordSetError);

    QList<int> ids;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        ids << rs.toInt("id_producto");
    EXPECT_EQ(ids, (QList<int>{3, 8, 2}));
    EXPECT_THROW(rs.value(0), store::RecordSetError); // past the last row

    rs.clear();
    EXPECT_EQ(rs.count(), 0);
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(rs.fieldCount(), 3);
}
