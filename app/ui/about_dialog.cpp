#include "app/ui/about_dialog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontInfo>
#include <QMessageBox>

#include "app/program_info.h"
#include "app/ui/fonts.h"
#include "app/ui/program_icon.h"
#include "engine/drivers/synth_device.h"

namespace tarvio {

namespace {

QString html(const std::string& s) { return QString::fromStdString(s).toHtmlEscaped(); }

}  // namespace

QString aboutText(const QString& soundfontPath, const QString& fontFamily) {
    // A link such as default-GM.sf2 names the soundfont it stands for.
    const QString real = soundfontPath.isEmpty() ? QString() : QFileInfo(soundfontPath).canonicalFilePath();
    const Credits c = programCredits((real.isEmpty() ? soundfontPath : real).toStdString());
    QString soundfont = QCoreApplication::translate("tarvio::About", "なし (内蔵シンセサイザーは鳴りません)");
    if (!c.soundfont.empty()) {
        soundfont = html(c.soundfontName);
        if (!c.soundfontLicence.empty()) soundfont += QStringLiteral(" (%1)").arg(html(c.soundfontLicence));
        soundfont += QStringLiteral("<br><small>%1</small>").arg(html(c.soundfont));
    }
    QString font = fontFamily.toHtmlEscaped();
    if (fontFamily.startsWith(QLatin1String("Noto"))) font += QStringLiteral(" (SIL Open Font License 1.1)");
    return QStringLiteral("<h3>tarvio %1</h3>").arg(QString::fromLatin1(programVersion())) +
           QStringLiteral("<p>%1</p>").arg(QCoreApplication::translate("tarvio::About", "キーボードで入力するステップ入力型MIDIシーケンサー")) +
           QStringLiteral("<p>%1<br>%2</p>")
               .arg(QCoreApplication::translate("tarvio::About", "%1 ライセンス (LICENSE ファイル)").arg(html(c.licence)), html(c.copyright)) +
           QStringLiteral("<p>%1: %2</p>").arg(QCoreApplication::translate("tarvio::About", "サウンドフォント"), soundfont) +
           QStringLiteral("<p>%1: %2</p>").arg(QCoreApplication::translate("tarvio::About", "フォント"), font);
}

void showAbout(QWidget* parent) {
    QMessageBox box(parent);
    box.setObjectName(QStringLiteral("AboutBox"));
    box.setWindowTitle(QCoreApplication::translate("tarvio::About", "tarvio について"));
    box.setIconPixmap(programIcon().pixmap(64, 64));
    box.setTextFormat(Qt::RichText);
    box.setText(aboutText(QString::fromStdString(synthSoundFontPath()), QFontInfo(sharedFont(12)).family()));
    box.exec();
}

}  // namespace tarvio
