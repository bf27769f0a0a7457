#include "ui/keyboard_access.h"

#include "ui/uMain_Tarnwick.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

namespace tarnwick::ui {

QString ShownCaption(const QString& caption) {
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i; // the marker goes; "&&" leaves one "&"
        else if (caption[i] == u'&')
            continue;
        shown += caption[i];
    }
    return shown;
}

QString ShownCaption(const QLabel* label) {
    return ShownCaption(label->text());
}

void SetMnemonic(QLabel* label, QChar letter) {
    QString caption = ShownCaption(label);
    caption.replace(QLatin1String("&"), QLatin1String("&&"));
    // The letter as given (a capital starts a word), else in either case.
    qsizetype at = caption.indexOf(letter, 0, Qt::CaseSensitive);
    if (at < 0)
        at = caption.indexOf(letter, 0, Qt::CaseInsensitive);
    if (at >= 0)
        caption.insert(at, u'&');
    label->setText(caption);
}

QLabel* SetUpKeyboardAccess(TfmTarnwickHub& w, QPushButton* stopButton) {
    // The mode list's label sits right-aligned in the gap between the
    // extension box and the list, on the line of the other labels.
    auto* label5 = new QLabel(QStringLiteral("Naming Mode"), w.Panel1);
    label5->setObjectName(QStringLiteral("Label5"));
    const int right = w.ComboBox1->x() - 6;
    const int left =
        std::max(w.Edit4->x() + w.Edit4->width() + 6, right - label5->sizeHint().width());
    label5->setGeometry(left, w.Label3->y(), right - left, w.Label3->height());
    label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    const struct {
        QLabel* label;
        QChar letter;
        QWidget* box;
    } labelled[] = {
        {w.Label1, u'S', w.Edit2},   {w.Label2, u'N', w.Edit3}, {w.Label3, u'E', w.Edit4},
        {label5, u'M', w.ComboBox1}, {w.Label4, u'D', w.Edit5},
    };
    for (const auto& l : labelled) {
        SetMnemonic(l.label, l.letter);
        l.label->setBuddy(l.box);
        l.box->setAccessibleName(ShownCaption(l.label));
    }

    w.SpeedButton1->setAccessibleName(QStringLiteral("Select ") + ShownCaption(w.Label1));
    w.SpeedButton2->setAccessibleName(QStringLiteral("Select ") + ShownCaption(w.Label2));
    for (QToolButton* picker : {w.SpeedButton1, w.SpeedButton2}) {
        picker->setToolTip(picker->accessibleName());
        picker->setFocusPolicy(Qt::TabFocus); // by Tab; a click leaves the focus where it is
    }
    for (QPushButton* button : {w.Button1, w.Button2, w.Button3, w.Button4})
        button->setAccessibleName(button->text());
    w.Edit1->setAccessibleName(QStringLiteral("Edit1"));
    w.Panel1->setAccessibleName(QStringLiteral("Job Settings"));
    w.Panel2->setAccessibleName(QStringLiteral("Status Bar"));
    w.ProgressBar1->setAccessibleName(QStringLiteral("Job Progress"));
    w.StringGrid1->setAccessibleName(QStringLiteral("Result Grid"));
    w.StringGrid1->setAccessibleDescription(
        QStringLiteral("Source and new-folder path of every file the job selected; F8 and "
                       "Shift+F8 go to the next and previous marked row"));

    // The designed tab stops first, then the pickers and Stop, then the grid.
    QWidget::setTabOrder(w.Edit5, w.SpeedButton1);
    QWidget::setTabOrder(w.SpeedButton1, w.SpeedButton2);
    QWidget::setTabOrder(w.SpeedButton2, stopButton);
    QWidget::setTabOrder(stopButton, w.StringGrid1);
    return label5;
}

} // namespace tarnwick::ui
