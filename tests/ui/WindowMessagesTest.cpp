// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis window's failures in Russian: one text of each shape the libraries throw, with
// its place, names and figures kept, and a text of no known shape turned into a Russian
// sentence rather than shown in English.
#include "WindowMessages.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

using kavrol::WindowMessages::russian;

TEST(WindowMessagesTest, EveryShapeOfFailureIsPutIntoRussian) {
    struct Case {
        const char* english;
        const char* russianText;
    };
    const Case cases[] = {
        {"Cannot create file \"/tmp/x/a.csv\". No such file or directory",
         "Не удалось создать файл «/tmp/x/a.csv»: нет такого файла или папки"},
        {"Cannot create file \"/tmp/a.gif\". The name must end in .png or .svg",
         "Не удалось создать файл «/tmp/a.gif»: имя должно оканчиваться на .png или .svg"},
        {"Stream write error: \"/tmp/a.png\". No space left on device",
         "Не удалось записать файл «/tmp/a.png»: на диске не осталось места"},
        {"cannot write 'b.svg': Permission denied", "Не удалось записать файл «b.svg»: нет прав "
                                                    "доступа"},
        {"The reflector cuts through the tube: it passes 10 mm from the tube's axis, within its "
         "radius of 13 mm",
         "Отражатель проходит сквозь лампу: в 10 мм от её оси, меньше её радиуса 13 мм"},
        {"The tube lies behind the reflector: its axis at 120 mm is not below the reflector's "
         "top line",
         "Лампа за отражателем: её ось на глубине 120 мм не ниже верха отражателя"},
        {"a.json: line 3, column 14: unit 2 (\"left\"), \"reflector.A\": must be greater than 0 "
         "mm and at most 5000 mm, got 6000 mm",
         "a.json, строка 3, столбец 14: лампа 2 («left»), \"reflector.A\": должно быть больше 0 "
         "мм и не больше 5000 мм, а здесь 6000 мм"},
        {"a.json: line 1, column 1: \"units\": must be a list, got an object",
         "a.json, строка 1, столбец 1: \"units\": должно быть списком, а здесь объект"},
        {"a.json: line 2, column 5: unknown key \"tanks\" (known: name, tank, units)",
         "a.json, строка 2, столбец 5: неизвестный ключ \"tanks\" (известны: name, tank, units)"},
        {"a.json: unit 2: overlaps unit 1: their reflectors span x = -10 mm to 150 mm and x = "
         "-150 mm to 10 mm",
         "a.json: лампа 2: её отражатель и отражатель соседней (лампа 1) перекрываются: они "
         "занимают x от -10 мм до 150 мм и от -150 мм до 10 мм"},
        {"p.csv, line 4: unit 1, expected two numbers x, y, got \"1;2\"",
         "p.csv, строка 4: лампа 1, ожидались два числа x, y, а здесь \"1;2\""},
        {"big.json: the fixture file is larger than the 1048576 bytes allowed",
         "big.json: файл больше допустимых 1048576 байт"},
        {"d.json: the fixture file is a folder, not a file",
         "d.json: файл светильника — папка, а не файл"},
        {"Физической оценки для записи ещё нет", "Физической оценки для записи ещё нет"},
    };
    const QRegularExpression english(QStringLiteral("\\b(the|must|got|line|unit|cannot|file)\\b"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.english);
        const QString shown = russian(QString::fromUtf8(c.english));
        EXPECT_EQ(shown, QString::fromUtf8(c.russianText));
        EXPECT_FALSE(shown.contains(english)) << shown.toStdString();
    }
    // No known shape: a Russian sentence, not the English text.
    const QString unknown = russian(QStringLiteral("Something went wrong in a new way"));
    EXPECT_FALSE(unknown.contains(QStringLiteral("Something")));
    EXPECT_TRUE(unknown.startsWith(QStringLiteral("Непредвиденная ошибка")));
}

} // namespace
