#include "X11Desktop.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <algorithm>

namespace quarvel::test {
namespace {

// Standard output of an X tool; empty when it fails (a window gone meanwhile).
QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QString Hex(const QWidget& window) {
    return "0x" + QString::number(window.winId(), 16);
}

// The numbers after "name:" or "name =" in a tool's output.
std::vector<long> Numbers(const QString& text, const QString& name) {
    std::vector<long> numbers;
    const QRegularExpression line(
        "^\\s*" + QRegularExpression::escape(name) + "\\s*[:=]\\s*(?:window id # )?(.*)$",
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(text);
    if (!match.hasMatch()) {
        return numbers;
    }
    for (const QString& field : match.captured(1).split(',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const long value = field.trimmed().toLong(&ok, 0);
        if (ok) {
            numbers.push_back(value);
        }
    }
    return numbers;
}

}  // namespace

bool HasWindowManager() {
    return qEnvironmentVariable("QUARVEL_TEST_WINDOW_MANAGER", "none") != "none";
}

std::vector<WId> StackingOrder() {
    const QString text = Run("xprop", {"-root", "-notype", "_NET_CLIENT_LIST_STACKING"});
    std::vector<WId> order;
    for (long id : Numbers(text, "_NET_CLIENT_LIST_STACKING")) {
        order.push_back(static_cast<WId>(id));
    }
    return order;
}

bool IsStackedAbove(const QWidget& upper, const QWidget& lower) {
    const std::vector<WId> order = StackingOrder();
    const auto upperAt = std::find(order.begin(), order.end(), upper.winId());
    const auto lowerAt = std::find(order.begin(), order.end(), lower.winId());
    return upperAt != order.end() && lowerAt != order.end() && upperAt > lowerAt;
}

bool IsViewable(const QWidget& window) {
    return Run("xwininfo", {"-id", Hex(window)}).contains("Map State: IsViewable");
}

QRect OuterRect(const QWidget& window) {
    const QString info = Run("xwininfo", {"-id", Hex(window)});
    const std::vector<long> x = Numbers(info, "Absolute upper-left X");
    const std::vector<long> y = Numbers(info, "Absolute upper-left Y");
    const std::vector<long> width = Numbers(info, "Width");
    const std::vector<long> height = Numbers(info, "Height");
    if (x.size() != 1 || y.size() != 1 || width.size() != 1 || height.size() != 1) {
        return {};
    }
    QRect rect(static_cast<int>(x[0]), static_cast<int>(y[0]), static_cast<int>(width[0]),
               static_cast<int>(height[0]));
    if (HasWindowManager()) {
        // Left, right, top, bottom.
        const std::vector<long> frame =
            Numbers(Run("xprop", {"-id", Hex(window), "-notype", "_NET_FRAME_EXTENTS"}),
                    "_NET_FRAME_EXTENTS");
        if (frame.size() != 4) {
            return {};
        }
        rect.adjust(-static_cast<int>(frame[0]), -static_cast<int>(frame[2]),
                    static_cast<int>(frame[1]), static_cast<int>(frame[3]));
    }
    return rect;
}

void TypeKeys(const QString& keys) {
    QVERIFY(QProcess::execute("xdotool", {"key", "--clearmodifiers", keys}) == 0);
}

}  // namespace quarvel::test
