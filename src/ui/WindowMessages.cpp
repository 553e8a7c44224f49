// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: the system's reasons; the design's refusals; the fixture file's refusals; putting a
// whole message into Russian.
#include "WindowMessages.h"

#include <QRegularExpression>
#include <array>
#include <cerrno>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

namespace kavrol::WindowMessages {

namespace {

using Translate = std::function<QString(const QRegularExpressionMatch&)>;

struct Rule {
    QRegularExpression pattern;
    Translate translate;
};

// A rule whose Russian text takes the English text's captures in place of %1, %2, ...
Rule rule(const char* pattern, const char* russianText) {
    QRegularExpression expression(QLatin1Char('^') + QString::fromUtf8(pattern) + QLatin1Char('$'));
    const QString text = QString::fromUtf8(russianText);
    return {expression, [text](const QRegularExpressionMatch& match) {
                QString result = text;
                for (int i = match.lastCapturedIndex(); i >= 1; --i) {
                    result.replace(QStringLiteral("%") + QString::number(i), match.captured(i));
                }
                return result;
            }};
}

std::optional<QString> apply(const std::vector<Rule>& rules, const QString& text) {
    for (const Rule& r : rules) {
        const QRegularExpressionMatch match = r.pattern.match(text);
        if (match.hasMatch()) {
            return r.translate(match);
        }
    }
    return std::nullopt;
}

// Lengths keep their figures and take the Russian unit.
QString russianUnits(QString text) {
    static const QRegularExpression millimetres(QStringLiteral("(\\d) mm\\b"));
    return text.replace(millimetres, QStringLiteral("\\1 мм"));
}

QString capitalised(QString text) {
    if (!text.isEmpty()) {
        text[0] = text[0].toUpper();
    }
    return text;
}

// --- The system's reasons ---

struct Reason {
    int number;
    const char* russianText;
};

const std::array<Reason, 22> Reasons{{
    {ENOENT, "нет такого файла или папки"},
    {EACCES, "нет прав доступа"},
    {EPERM, "действие не разрешено"},
    {ENOSPC, "на диске не осталось места"},
    {EDQUOT, "превышена дисковая квота"},
    {EROFS, "файловая система только для чтения"},
    {EISDIR, "это папка"},
    {ENOTDIR, "часть пути — не папка"},
    {EEXIST, "файл уже существует"},
    {EIO, "ошибка ввода-вывода"},
    {ENAMETOOLONG, "слишком длинное имя файла"},
    {EFBIG, "файл слишком велик"},
    {ELOOP, "слишком много символических ссылок"},
    {EINVAL, "недопустимый аргумент"},
    {ETXTBSY, "файл занят"},
    {EBUSY, "устройство или ресурс занят"},
    {EMFILE, "открыто слишком много файлов"},
    {ENFILE, "в системе открыто слишком много файлов"},
    {ENOMEM, "не хватает памяти"},
    {EXDEV, "ссылка между разными устройствами"},
    {ENXIO, "нет такого устройства или адреса"},
    {EAGAIN, "ресурс временно недоступен"},
}};

// --- The design's refusals ---

// The physical model's refusals of a design; a fixture's unit gets the same ones with the first
// letter in lower case.
// Where the tube, the reflector and the water lie against one another.
std::vector<Rule> PlacementRules() {
    return {
        rule("[Tt]he reflector reaches the water line: it is (.+) deep and the water lies (.+) "
             "below its top line",
             "отражатель достаёт до воды: его глубина %1, а вода на %2 ниже его верха"),
        rule("[Tt]he tube reaches the water line: its radius is (.+) and the water lies (.+) "
             "below its axis",
             "лампа достаёт до воды: её радиус %1, а вода на %2 ниже её оси"),
        rule("[Tt]he tube lies behind the reflector: the twin arc's ridge lies (.+) deep, not "
             "above the tube's axis at (.+)",
             "лампа за отражателем: гребень двойной дуги на глубине %1, не выше оси лампы на %2"),
        rule("[Tt]he tube lies behind the reflector: its axis at (.+) is not below the "
             "reflector's top line",
             "лампа за отражателем: её ось на глубине %1 не ниже верха отражателя"),
        rule("[Tt]he tube lies behind the reflector: the profile lies (.+) deep above the tube, "
             "not above its axis at (.+)",
             "лампа за отражателем: профиль над лампой на глубине %1, не выше её оси на %2"),
        rule("[Tt]he reflector cuts through the tube: it passes (.+) from the tube's axis, within "
             "its radius of (.+)",
             "отражатель проходит сквозь лампу: в %1 от её оси, меньше её радиуса %2"),
    };
}

// The design's numbers and selections.
std::vector<Rule> InputRules() {
    return {
        rule("A must be a positive length, got (.+)",
             "ширина A должна быть больше нуля, а здесь %1"),
        rule("B must be a positive length, got (.+)",
             "глубина B должна быть больше нуля, а здесь %1"),
        rule("C must not be negative, got (.+)", "C не может быть меньше нуля, а здесь %1"),
        rule("C \\((.+)\\) must be below A \\((.+)\\) for the trapezoid and the twin arc",
             "у трапеции и двойной дуги C (%1) должна быть меньше A (%2)"),
        rule("A and B must be positive lengths", "A и B должны быть больше нуля"),
        rule("C must lie from 0 up to below A", "C должна быть от 0 и меньше A"),
        rule("[Tt]he tube's radius must be positive, got (.+)",
             "радиус лампы должен быть больше нуля, а здесь %1"),
        rule("[Tt]he lamp distance must be a finite length",
             "расстояние до лампы должно быть конечным"),
        rule("[Tt]he water distance must be positive, got (.+)",
             "расстояние до воды должно быть больше нуля, а здесь %1"),
        rule("[Tt]he aquarium's width must be positive, got (.+)",
             "ширина аквариума должна быть больше нуля, а здесь %1"),
        rule("[Tt]he albedo must lie from 0 to 1", "альбедо должно быть от 0 до 1"),
        rule("[Tt]he tube transmission must lie from 0 to 1",
             "пропускание колбы лампы должно быть от 0 до 1"),
        rule("[Tt]he water's refractive index must be at least 1",
             "показатель преломления воды должен быть не меньше 1"),
        rule("No reflector shape is selected \\(list index (-?\\d+)\\)",
             "не выбрана форма отражателя (номер в списке %1)"),
        rule("No tube is selected \\(list index (-?\\d+)\\)",
             "не выбран тип лампы (номер в списке %1)"),
        rule("[Tt]he scene has no tube", "в сцене нет ни одной лампы"),
        rule("[Ee]very tube needs a positive radius and power",
             "у каждой лампы радиус и мощность должны быть больше нуля"),
        rule("[Tt]he water's span must have a positive width",
             "ширина поверхности воды должна быть больше нуля"),
        rule("[Tt]he tolerance must be positive and the bins at least 0",
             "точность должна быть больше нуля, а число участков — не меньше 0"),
    };
}

// Profiles of points and the cutting template.
std::vector<Rule> ProfileRules() {
    return {
        rule("[Tt]he profile does not reach this x", "профиль не доходит до этого x"),
        rule("[Tt]he curve's sampling step must be positive",
             "шаг разбиения кривой должен быть больше нуля"),
        rule("A profile needs at least two points", "в профиле должно быть не меньше двух точек"),
        rule("[Tt]he profile's points must be finite and distinct",
             "точки профиля должны быть конечными и различными"),
        rule("[Tt]he profile's curve cannot be drawn", "кривую профиля невозможно построить"),
        rule("[Tt]he tube's radius and distance must be finite",
             "радиус лампы и расстояние до неё должны быть конечными"),
        rule("[Tt]he unit's reflector is no profile of points",
             "отражатель этой лампы задан не профилем из точек"),
        rule("The cutting template does not fit the largest page, A0 \\((.+) × (.+)\\): its "
             "drawing needs (.+) × (.+) with its margins, for a flat sheet (.+) long",
             "шаблон не помещается даже на самый большой лист A0 (%1 × %2): рисунку с полями "
             "нужно %3 × %4 при ширине листа %5"),
        rule("The cutting template is not drawn: its flat sheet is (.+) long, more than the (.+) "
             "a template on the largest page, A0 \\((.+)\\) is drawn for",
             "шаблон не рисуется: ширина листа %1 больше %2, на которые рассчитан шаблон на "
             "самом большом листе A0 (%3)"),
    };
}

// Several lists of rules as one, in order.
std::vector<Rule> Joined(std::initializer_list<std::vector<Rule>> lists) {
    std::vector<Rule> joined;
    for (const std::vector<Rule>& list : lists) {
        joined.insert(joined.end(), list.begin(), list.end());
    }
    return joined;
}

const std::vector<Rule>& DesignRules() {
    static const std::vector<Rule> rules = Joined({PlacementRules(), InputRules(), ProfileRules()});
    return rules;
}

// --- The fixture file's refusals ---

// "unit 2 ("left")" as the window names a fixture's units.
QString russianUnitName(QString text) {
    static const QRegularExpression unit(QStringLiteral("\\bunit (\\d+)(?: \\(\"([^\"]*)\"\\))?"));
    QString result;
    qsizetype at = 0;
    for (const QRegularExpressionMatch& m : unit.globalMatch(text)) {
        result += text.mid(at, m.capturedStart() - at);
        result += QStringLiteral("лампа ") + m.captured(1);
        if (m.hasCaptured(2)) {
            result += QStringLiteral(" («%1»)").arg(m.captured(2));
        }
        at = m.capturedEnd();
    }
    return result + text.mid(at);
}

// The JSON value kinds, as "must be ..." (instrumental) and "got ..." (nominative) say them.
QString kind(const QString& english, bool instrumental) {
    static const std::array<std::array<const char*, 3>, 7> kinds{{
        {"null", "null", "null"},
        {"true or false", "true или false", "true или false"},
        {"a number", "числом", "число"},
        {"a string", "строкой", "строка"},
        {"a list", "списком", "список"},
        {"an object", "объектом", "объект"},
        {"a value", "значением", "значение"},
    }};
    for (const auto& k : kinds) {
        if (english == QLatin1String(k[0])) {
            return QString::fromUtf8(instrumental ? k[1] : k[2]);
        }
    }
    return english;
}

// The file a fixture's refusal is about: "fixture file" or "profile file <name>".
QString fileWhat(const QString& english) {
    static const QRegularExpression profile(QStringLiteral("^profile file (.+)$"));
    if (english == QLatin1String("fixture file")) {
        return QStringLiteral("файл светильника");
    }
    if (const auto m = profile.match(english); m.hasMatch()) {
        return QStringLiteral("файл профиля %1").arg(m.captured(1));
    }
    if (english == QLatin1String("file")) {
        return QStringLiteral("файл");
    }
    return english;
}

// A rule about a file whose first capture names it ("fixture file", "profile file <name>");
// the system's reason, when there is one, is the second.
Rule fileRule(const char* pattern, const char* russianText) {
    Rule r = rule(pattern, russianText);
    const QString text = QString::fromUtf8(russianText);
    r.translate = [text](const QRegularExpressionMatch& m) {
        QString result = text;
        if (m.lastCapturedIndex() >= 2) {
            result.replace(QStringLiteral("%2"), systemReason(m.captured(2)));
        }
        return result.replace(QStringLiteral("%1"), fileWhat(m.captured(1)));
    };
    return r;
}

// What the JSON reader expected at a place.
QString expected(const QString& english) {
    static const std::array<std::array<const char*, 2>, 4> whats{{
        {"',' or '}' after a member", "',' или '}' после элемента объекта"},
        {"':' after the key", "':' после ключа"},
        {"',' or ']' after an element", "',' или ']' после элемента списка"},
        {"a value", "значение"},
    }};
    for (const auto& w : whats) {
        if (english == QLatin1String(w[0])) {
            return QString::fromUtf8(w[1]);
        }
    }
    // A literal in single quotes ('true') is the file's own word.
    return english;
}

Rule expectation(const char* pattern, const char* russianText) {
    Rule r = rule(pattern, russianText);
    const QString text = QString::fromUtf8(russianText);
    r.translate = [text](const QRegularExpressionMatch& m) {
        return QString(text).replace(QStringLiteral("%1"), expected(m.captured(1)));
    };
    return r;
}

const char* const Kinds = "(null|true or false|a number|a string|a list|an object|a value)";

// What is wrong with one key's value.
std::vector<Rule> ValueRules() {
    return {
        {QRegularExpression(QStringLiteral("^must be %1, got %1$").arg(QLatin1String(Kinds))),
         [](const QRegularExpressionMatch& m) {
             return QStringLiteral("должно быть %1, а здесь %2")
                 .arg(kind(m.captured(1), true), kind(m.captured(2), false));
         }},
        {QRegularExpression(QStringLiteral("^must be a list of \\[x, y\\] points or the name "
                                           "of a CSV file, got %1$")
                                .arg(QLatin1String(Kinds))),
         [](const QRegularExpressionMatch& m) {
             return QStringLiteral("должно быть списком точек [x, y] или именем файла CSV, а "
                                   "здесь %1")
                 .arg(kind(m.captured(1), false));
         }},
        rule("must be at least (\\S+( mm)?) and at most (\\S+( mm)?), got (.+)",
             "должно быть не меньше %1 и не больше %3, а здесь %5"),
        rule("must be greater than (\\S+( mm)?) and at most (\\S+( mm)?), got (.+)",
             "должно быть больше %1 и не больше %3, а здесь %5"),
        rule("unknown key \"(.*)\" \\(known: (.*)\\)", "неизвестный ключ \"%1\" (известны: %2)"),
        rule("is missing", "отсутствует"),
        rule("must be \"T4\", \"T5\", \"T8\" or a diameter in millimetres, got (.+)",
             "должно быть \"T4\", \"T5\", \"T8\" или диаметром в миллиметрах, а здесь %1"),
        rule("must be (\"[^\"]+\"(?:, \"[^\"]+\")*) or (\"[^\"]+\")", "должно быть %1 или %2"),
        rule("cannot open the profile file (.+)", "не удалось открыть файл профиля %1"),
        rule("must be a pair \\[x, y\\] of numbers in millimetres",
             "должно быть парой чисел [x, y] в миллиметрах"),
        rule("must hold from (\\d+) to (\\d+) points, got (\\w+)",
             "должно содержать от %1 до %2 точек, а здесь %3"),
        rule("must hold from (\\d+) to (\\d+) units, got (\\w+)",
             "должно содержать от %1 до %2 ламп, а здесь %3"),
        rule("the points must run from one rim to the other, but the first and the last lie "
             "at the same x = (.+)",
             "точки должны идти от одного края до другого, а первая и последняя лежат при "
             "одном x = %1"),
        rule("the points are not ordered from rim to rim: a point at x = (.+) lies beyond the "
             "rims at x = (.+) and x = (.+) \\(the first and the last point\\)",
             "точки идут не от края к краю: точка при x = %1 лежит за краями x = %2 и x = %3 "
             "(первой и последней точками)"),
        rule("the point \\((.+)\\) is given twice in a row",
             "точка (%1) повторяется дважды подряд"),
        rule("the reflector needs a \"shape\" with A, B, C or a \"profile\" of points",
             "у отражателя должна быть форма \"shape\" с A, B, C или профиль \"profile\" из "
             "точек"),
    };
}

// What is wrong with the file as a whole.
std::vector<Rule> FileRules() {
    return {
        fileRule("cannot open the (.+): (.+)", "не удалось открыть %1: %2"),
        fileRule("cannot read the (.+): (.+)", "не удалось прочитать %1: %2"),
        fileRule("the (.+) is a folder, not a file", "%1 — папка, а не файл"),
        fileRule("the (.+) is a pipe, not a regular file", "%1 — канал, а не обычный файл"),
        fileRule("the (.+) is a socket, not a regular file", "%1 — сокет, а не обычный файл"),
        fileRule("the (.+) is a device, not a regular file", "%1 — устройство, а не обычный файл"),
        rule("the (?:fixture |profile )?file is larger than the (\\d+) bytes allowed",
             "файл больше допустимых %1 байт"),
        fileRule("the (.+) is UTF-(?:16|32) \\(by its byte order mark\\), not UTF-8",
                 "%1 не в кодировке UTF-8 (так говорит его метка порядка байтов)"),
        rule("more than (\\d+) values in the file", "в файле больше %1 значений"),
        rule("the text is not valid UTF-8 here \\(the byte (.+)\\)",
             "текст здесь не в кодировке UTF-8 (байт %1)"),
    };
}

// What is wrong with the JSON text at a place.
std::vector<Rule> JsonTextRules() {
    return {
        rule("the file is empty", "файл пуст"),
        rule("unexpected text after the end of the document", "лишний текст после конца "
                                                              "документа"),
        expectation("the text ends where (.+) was expected",
                    "текст обрывается там, где ожидалось %1"),
        rule("nested more than (\\d+) deep", "вложенность глубже %1 уровней"),
        rule("unexpected character '(.+)' where a value was expected",
             "неожиданный символ '%1' там, где ожидалось значение"),
        rule("the text ends inside an object", "текст обрывается внутри объекта"),
        rule("expected a key in double quotes", "ожидался ключ в двойных кавычках"),
        rule("the key \"(.*)\" appears twice", "ключ \"%1\" встречается дважды"),
        rule("expected four hexadecimal digits after \\\\u",
             "после \\u ожидались четыре шестнадцатеричные цифры"),
        rule("the text ends inside a string", "текст обрывается внутри строки"),
        rule("a control character inside a string \\(write it as an escape\\)",
             "управляющий символ внутри строки (его нужно записать через \\)"),
        rule("unknown escape '(.+)'", "неизвестная последовательность '%1'"),
        rule("a lone surrogate in a \\\\u escape", "одиночный суррогат в последовательности \\u"),
        rule("a number may not start with 0", "число не может начинаться с 0"),
        rule("expected a digit after the decimal point", "после точки ожидалась цифра"),
        rule("expected a digit in the exponent", "в порядке числа ожидалась цифра"),
        rule("expected a digit", "ожидалась цифра"),
        rule("the number (.+) is out of range", "число %1 вне допустимого диапазона"),
        expectation("expected (.+)", "ожидалось %1"),
    };
}

// What is wrong with one key's value, or with the file, or with the JSON text at a place.
const std::vector<Rule>& FieldRules() {
    static const std::vector<Rule> rules = Joined({ValueRules(), FileRules(), JsonTextRules()});
    return rules;
}

// What the scene's checks find wrong with a unit among the others.
const std::vector<Rule>& UnitRules() {
    static const std::vector<Rule> rules = {
        rule("the profile crosses itself at \\((.+)\\)", "профиль пересекает сам себя в (%1)"),
        rule("the tube's axis \\(x = 0 in the profile\\) must lie between the rims, which lie at "
             "x = (.+) and x = (.+)",
             "ось лампы (x = 0 в профиле) должна лежать между краями, а они при x = %1 и x = %2"),
        rule("overlaps (unit .+): their reflectors span x = (.+) to (.+) and x = (.+) to (.+)",
             "её отражатель и отражатель соседней (%1) перекрываются: они занимают x от %2 до %3 "
             "и от %4 до %5"),
        rule("its tube overlaps that of (unit .+): their axes lie (.+) apart",
             "её колба и колба соседней (%1) перекрываются: их оси в %2 друг от друга"),
        rule(
            "the reflector cuts through the tube of (unit .+): it passes (.+) from that tube's "
            "axis, within its radius of (.+)",
            "отражатель проходит сквозь колбу соседней (%1): в %2 от её оси, меньше её радиуса %3"),
    };
    return rules;
}

// A reason in Russian, or nothing when it has no known shape.
std::optional<QString> reason(const QString& english) {
    if (auto found = apply(FieldRules(), english)) {
        return found;
    }
    if (auto found = apply(UnitRules(), english)) {
        return found;
    }
    return apply(DesignRules(), english);
}

// A reason in Russian, or a note that the message was not understood.
QString why(const QString& english) {
    return reason(english).value_or(
        QStringLiteral("описание не принято (полный текст покажет «kavrol-cli fixture»)"));
}

// The reason after a profile file's line: its point out of range, its numbers unreadable, or
// another reason.
QString csvReason(const QString& english) {
    static const QRegularExpression point(QStringLiteral("^the point \\((.+)\\): x must be .+$"));
    static const QRegularExpression numbers(
        QStringLiteral("^expected two numbers x, y, got \"(.*)\"$"));
    if (const auto p = point.match(english); p.hasMatch()) {
        return QStringLiteral("точка (%1) вне допустимых пределов: x от -5000 до 5000 мм, "
                              "y от 0 до 5000 мм")
            .arg(p.captured(1));
    }
    if (const auto n = numbers.match(english); n.hasMatch()) {
        return QStringLiteral("ожидались два числа x, y, а здесь \"%1\"").arg(n.captured(1));
    }
    return why(english);
}

// A whole fixture message: its place in the file, then its reason.
std::optional<QString> fixture(const QString& text) {
    static const QRegularExpression located(
        QStringLiteral("^(.+): line (\\d+), column (\\d+): (unit \\d+(?: \\(\"[^\"]*\"\\))?, "
                       ")?(\"[^\"]*\": )?(.*)$"));
    static const QRegularExpression csvLine(
        QStringLiteral("^(.+), line (\\d+): (unit \\d+(?: \\(\"[^\"]*\"\\))?), (.*)$"));
    static const QRegularExpression unitOf(
        QStringLiteral("^(?:(.+?): )?(unit \\d+(?: \\(\"[^\"]*\"\\))?): (.*)$"));
    static const QRegularExpression unitComma(
        QStringLiteral("^(.+): (unit \\d+(?: \\(\"[^\"]*\"\\))?), (.*)$"));
    static const QRegularExpression noUnit(QStringLiteral("^(?:(.+): )?the fixture has no unit$"));
    if (const auto m = located.match(text); m.hasMatch()) {
        QString place = QStringLiteral("%1, строка %2, столбец %3: ")
                            .arg(m.captured(1), m.captured(2), m.captured(3));
        if (m.hasCaptured(4)) {
            place += m.captured(4);
        }
        if (m.hasCaptured(5)) {
            place += m.captured(5);
        }
        return place + why(m.captured(6));
    }
    if (const auto m = csvLine.match(text); m.hasMatch()) {
        return QStringLiteral("%1, строка %2: %3, %4")
            .arg(m.captured(1), m.captured(2), m.captured(3), csvReason(m.captured(4)));
    }
    if (const auto m = unitOf.match(text); m.hasMatch()) {
        const QString source = m.hasCaptured(1) ? m.captured(1) + QStringLiteral(": ") : QString();
        return source + m.captured(2) + QStringLiteral(": ") + why(m.captured(3));
    }
    if (const auto m = noUnit.match(text); m.hasMatch()) {
        const QString source = m.hasCaptured(1) ? m.captured(1) + QStringLiteral(": ") : QString();
        return source + QStringLiteral("в светильнике нет ни одной лампы");
    }
    if (const auto m = unitComma.match(text); m.hasMatch()) {
        if (const auto known = reason(m.captured(3))) {
            return m.captured(1) + QStringLiteral(": ") + m.captured(2) + QStringLiteral(", ") +
                   *known;
        }
    }
    // "<file>: <reason>", the file's name holding ": " or not.
    for (qsizetype at = text.indexOf(QStringLiteral(": ")); at > 0;
         at = text.indexOf(QStringLiteral(": "), at + 2)) {
        if (const auto known = reason(text.mid(at + 2))) {
            return text.left(at) + QStringLiteral(": ") + *known;
        }
    }
    return std::nullopt;
}

// --- Putting a whole message into Russian ---

std::optional<QString> file(const QString& text) {
    static const std::vector<Rule> rules = {
        rule("Cannot create file \"(.+)\"\\. The name must end in (\\.\\w+) or (\\.\\w+)",
             "Не удалось создать файл «%1»: имя должно оканчиваться на %2 или %3"),
        rule("Cannot create file \"(.+)\"\\. (.+)", "Не удалось создать файл «%1»: %2"),
        rule("Cannot write file \"(.+)\"\\. (.+)", "Не удалось записать файл «%1»: %2"),
        rule("Stream write error: \"(.+)\"\\. (.+)", "Не удалось записать файл «%1»: %2"),
        rule("Stream write error", "Не удалось записать файл"),
        rule("cannot create '(.+)': (.+)", "Не удалось создать файл «%1»: %2"),
        rule("cannot write '(.+)': (.+)", "Не удалось записать файл «%1»: %2"),
    };
    for (const Rule& r : rules) {
        const QRegularExpressionMatch match = r.pattern.match(text);
        if (match.hasMatch()) {
            QString result = r.translate(match);
            // The reason is the last capture; only it is put into Russian.
            const QString english = match.captured(match.lastCapturedIndex());
            if (match.lastCapturedIndex() >= 2 && !english.startsWith(QLatin1Char('.'))) {
                result.replace(result.size() - english.size(), english.size(),
                               systemReason(english));
            }
            return result;
        }
    }
    return std::nullopt;
}

} // namespace

QString systemReason(const QString& english) {
    for (const Reason& r : Reasons) {
        QString known = QString::fromLocal8Bit(std::strerror(r.number));
        while (known.endsWith(QLatin1Char('.')) || known.endsWith(QLatin1Char(' '))) {
            known.chop(1);
        }
        if (known == english) {
            return QString::fromUtf8(r.russianText);
        }
    }
    static const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
    if (!english.contains(latin)) {
        return english;
    }
    for (int number = 1; number < 200; ++number) {
        if (QString::fromLocal8Bit(std::strerror(number)).startsWith(english)) {
            return QStringLiteral("системная ошибка № %1").arg(number);
        }
    }
    return QStringLiteral("системная ошибка");
}

QString russian(const QString& english) {
    static const QRegularExpression latinWord(QStringLiteral("[A-Za-z]{2,}"));
    if (!english.contains(latinWord)) {
        return english;
    }
    if (auto found = file(english)) {
        return *found;
    }
    if (auto found = fixture(english)) {
        return russianUnits(russianUnitName(*found));
    }
    if (auto found = apply(DesignRules(), english)) {
        return capitalised(russianUnits(*found));
    }
    return QStringLiteral("Непредвиденная ошибка; её полный текст покажет «kavrol-cli» с теми же "
                          "данными");
}

} // namespace kavrol::WindowMessages
