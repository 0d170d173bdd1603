// The file dialog component: invisible itself, it keeps its settings between showings and is
// shown through Desktop.
#pragma once

#include <QString>
#include <QStringList>

namespace icogen::platform {

struct FileDialogComponent {
    enum class Kind { Open, Save };

    Kind kind = Kind::Open;
    QString title;
    QString fileName;          // full path; kept from one showing to the next
    QString filter;            // "description|patterns|description|patterns", e.g. "图标文件|*.ico"
    QString defaultExtension;  // without the dot; added to a typed name that has none
    bool fileMustExist = true;
    bool pathMustExist = true;
    bool askBeforeOverwrite = true;
    bool hideReadOnly = true;

    // The filter as Qt name filters: "图像文件 (*.bmp *.jpg)".
    QStringList qtNameFilters() const;
    // `name` with ".<defaultExtension>" added when its file part has no extension.
    QString withDefaultExtension(const QString& name) const;
};

}  // namespace icogen::platform
