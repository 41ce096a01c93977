#include "host/OperatorScriptVerbs.h"

namespace {

constexpr int UsageWidth = 15;
constexpr int LineWidth = 100;

// `text` wrapped at LineWidth, every line after the first indented by `indent`.
QString Wrapped(const QString& text, int indent) {
    QString out;
    int column = indent;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (column > indent && column + 1 + word.size() > LineWidth) {
            out += u'\n' + QString(indent, u' ');
            column = indent;
        } else if (column > indent) {
            out += u' ';
            ++column;
        }
        out += word;
        column += int(word.size());
    }
    return out;
}

} // namespace

QStringList OperatorScriptVerbNames() {
    QStringList names;
    for (const OperatorScriptVerb& verb : OperatorScriptVerbs)
        names << QString::fromLatin1(verb.verb);
    return names;
}

QString OperatorScriptHelp() {
    QString out = QStringLiteral(
        "Script: one action a line; blank lines and lines starting with # are ignored. ID is a control id:\n"
        "the current page's controls first, then the wizard's own (2 Cancel, 3 Back, 4 Next/Finish).\n");
    for (const OperatorScriptVerb& verb : OperatorScriptVerbs) {
        const QString usage = QString::fromLatin1(verb.usage);
        out += QStringLiteral("  ") + usage.leftJustified(UsageWidth - 1) + u' ' +
               Wrapped(QString::fromUtf8(verb.what), UsageWidth + 2) + u'\n';
    }
    out += QStringLiteral(
        "Every message box is printed as it appears, with its answer; a box with no queued answer takes\n"
        "its default and says (default). An action that cannot be done (a control that does not exist or\n"
        "is hidden, an item number past the end, a menu button that opens no menu) stops the script with\n"
        "FILE:LINE and the reason, cancels the wizard and exits with 1; a line that is no action is refused\n"
        "before the wizard opens. A script that ends with the wizard still open cancels it.\n"
        "Example (the demo database):\n"
        "  answer yes\n"
        "  type 5000 阳光花园\n"
        "  click 4\n"
        "  print 5008\n"
        "  click 4\n"
        "  type 5000 栋\n"
        "  menu 5012 0\n"
        "  select 5017 0\n"
        "  key Tab\n"
        "  window max\n"
        "  shot patterns\n"
        "  answer yes\n"
        "  click 2\n");
    return out;
}
