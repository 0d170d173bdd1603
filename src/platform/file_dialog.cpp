#include "platform/file_dialog.h"

namespace icogen::platform {

QStringList FileDialogComponent::qtNameFilters() const {
    // "description|patterns|description|patterns"; patterns are separated by ';'.
    QStringList result;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns) p = p.trimmed();
        patterns.removeAll(QString());
        if (patterns.isEmpty()) continue;
        const QString spaced = patterns.join(u' ');
        // A description that already ends with its patterns in brackets, like "所有文件(*.*)",
        // is taken as it stands; Qt reads the patterns from the last bracketed group.
        if (description.endsWith(u'(' + spaced + u')')) {
            result << description;
            continue;
        }
        if (description.isEmpty())
            result << u'(' + spaced + u')';
        else
            result << description + QStringLiteral(" (") + spaced + u')';
    }
    return result;
}

QString FileDialogComponent::withDefaultExtension(const QString& name) const {
    QString extension = defaultExtension.trimmed();
    while (extension.startsWith(u'.')) extension.remove(0, 1);
    if (extension.isEmpty() || name.isEmpty()) return name;
    // Only the last component counts: a folder name with a dot is not an extension.
    const qsizetype slash = name.lastIndexOf(u'/');
    const QString filePart = name.mid(slash + 1);
    if (filePart.isEmpty()) return name;  // a folder, not a file
    // A dot after the first character and before the last marks an extension; a leading dot
    // (".profile") starts a hidden name.
    const qsizetype dot = filePart.lastIndexOf(u'.');
    if (dot > 0 && dot < filePart.size() - 1) return name;
    if (dot == filePart.size() - 1 && dot > 0) return name + extension;  // "abc." -> "abc.ico"
    return name + u'.' + extension;
}

}  // namespace icogen::platform
