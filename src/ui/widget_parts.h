#pragma once

// Small pieces every window and dialog of the program uses.

#include <QString>
#include <string_view>

class QPushButton;
class QWidget;

namespace vireo {

// Text of the program (UTF-8, as every name and setting is) for a widget.
QString WidgetText(std::string_view text);

// A push button whose accessible name is its label, which Enter in a text box does not press.
QPushButton* LabelledButton(const QString& text, QWidget* parent);

}  // namespace vireo
