#include "app/ui/resolution_prompt.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QStringList>

namespace tarvio {

int askImportResolution(QWidget* parent, int current) {
    const QStringList items{QStringLiteral("960"), QStringLiteral("480"), QStringLiteral("192"), QStringLiteral("96"),
                            QStringLiteral("48")};
    const int at = std::max(0, int(items.indexOf(QString::number(current))));
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, QStringLiteral("TPQN Select"),
                                                 QCoreApplication::translate("tarvio::ResolutionPrompt", "分解能"),
                                                 items, at, false, &ok);
    return ok ? chosen.toInt() : -1;
}

}  // namespace tarvio
