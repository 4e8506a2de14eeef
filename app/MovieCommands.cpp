// Argument reading and the row-removal variables of the main window's command tables.
#include "app/MovieCommands.h"

#include "app/desktop/MovieValues.h"

#include <limits>

std::optional<int> DecimalArgument(const QString& args) {
    if (IsUndefined(args))
        return std::nullopt;
    const QString text = args.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

std::optional<int> RowIndexArgument(const QString& args, int count) {
    const std::optional<int> index = DecimalArgument(args);
    if (!index || *index < 0 || *index >= count)
        return std::nullopt;
    return index;
}

MovieVariables MailRemoveVariables(int index) {
    return {
        {"_root.MailScamRemovedItemIndex", std::to_string(index)},
        {"_root.strScamMailOperation", "Remove"},
    };
}

MovieVariables SiteRemoveVariables(int index) {
    return {
        {"_root.WebProtectionRemovedItemIndex", std::to_string(index)},
        {"_root.strScamSiteOperation", "Remove"},
    };
}

MovieVariables MailRemoveAllVariables() {
    return {{"_root.strScamMailOperation", "RemoveAll"}};
}

MovieVariables SiteRemoveAllVariables() {
    return {{"_root.strScamSiteOperation", "RemoveAll"}};
}

MovieVariables LogRemoveAllVariables() {
    return {{"_root.strViewLogOperation", "RemoveAll"}};
}
