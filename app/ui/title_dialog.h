// "タイトル・著作権情報の編集": the song's title and rights text.
#pragma once

#include <QDialog>

#include <string>

class QLineEdit;

namespace tarvio {

class TitleDialog : public QDialog {
    Q_OBJECT
public:
    TitleDialog(const std::string& title, const std::string& rights, QWidget* parent = nullptr);
    std::string title() const;
    std::string rights() const;

private:
    QLineEdit *title_, *rights_;
};

}  // namespace tarvio
