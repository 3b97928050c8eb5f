#include "ui/store_warning.h"

#include "ui/dialog_parts.h"

namespace vireo {

bool StoredOrWarn(QWidget* parent, bool stored)
{
    if (!stored) InformInMessageBox(parent, QStringLiteral("The settings could not be stored."));
    return stored;
}

}  // namespace vireo
