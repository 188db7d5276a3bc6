#include "ThemePageSheet.h"

#include "Theme.h"

QString toolPageStyleSheet()
{
    return windowStyleSheet()
            + QStringLiteral(
                    "QWidget#standaloneToolPageHeader { background: #ffffff; border: 0; border-bottom: 1px solid #d7dee8; }"
                    "QLabel#toolTitle { color: #172b4d; background: transparent; border: 0; padding: 10px 0; "
                    "font-size: 15pt; font-weight: 700; }"
                    "QToolButton#standaloneToolSettingsButton, QToolButton#standaloneToolHelpButton { "
                    "background: transparent; border: 0; padding: 0; }"
                    "QToolButton#standaloneToolSettingsButton:hover, QToolButton#standaloneToolHelpButton:hover { "
                    "background: #e9f2ff; }"
                    // Keyboard focus shows on every control; the widths compensate the
                    // thicker border so nothing moves when focus arrives.
                    "QToolButton#standaloneToolSettingsButton:focus, QToolButton#standaloneToolHelpButton:focus { "
                    "border: 2px solid #2563eb; border-radius: 3px; }"
                    "QLabel#toolSection { color: #36506d; font-weight: 700; padding: 3px 0 1px; }"
                    "QPushButton#integratedToolChooseButton { color: #ffffff; background: #2563eb; border-color: #2563eb; }"
                    "QPushButton#integratedToolChooseButton:hover { background: #1d4ed8; }"
                    "QPushButton#integratedToolChooseButton:focus { border: 2px solid #172b4d; }"
                    "QPushButton#toolStart { color: #ffffff; background: #2563eb; border-color: #2563eb; font-size: 12pt; "
                    "font-weight: 700; min-width: 260px; min-height: 44px; }"
                    "QPushButton#toolStart:hover { background: #1d4ed8; }"
                    "QPushButton#toolStart:focus { border: 2px solid #172b4d; }"
                    // A running worker disables the start button; it must look it.
                    "QPushButton#toolStart:disabled { background: #99a7ba; border-color: #99a7ba; }"
                    "QLabel#toolCredit { color: #526275; background: transparent; padding: 2px; font-size: 8pt; }"
                    "QTreeWidget#integratedToolDropList { background: #ffffff; border: 1px solid #cbd5e1; "
                    "alternate-background-color: #f6f8fb; min-height: 120px; }"
                    "QTreeWidget#integratedToolDropList:focus { border-color: #2563eb; }"
                    "QTreeWidget#integratedToolDropList[dropActive=true] { border: 2px dashed #2563eb; "
                    "background: #eff6ff; }");
}
