// The places of the tray program's definitions files.
#include "core/definitions/DefinitionsPaths.h"

#include "core/definitions/DefinitionsFiles.h"
#include "engine/DefinitionIndexFormat.h"

namespace hookwise::core {

std::string DefinitionsPaths::Shipped() const {
    return applicationDirectory + "/" + kShippedDefinitionsFile;
}

std::string DefinitionsPaths::UserDefinitions() const {
    return dataDirectory + "/" + kShippedDefinitionsFile;
}

std::string DefinitionsPaths::WorkingCopy() const {
    return dataDirectory + "/" + kWorkingDefinitionsFile;
}

std::string DefinitionsPaths::WorkingCopyIndex() const {
    return definition_index::IndexPathFor(WorkingCopy());
}

std::string DefinitionsPaths::IndexCache() const {
    return definition_index::IndexPathFor(UserDefinitions());
}

DecipherOptions DefinitionsPaths::WorkingCopyOptions() const {
    DecipherOptions options;
    options.indexPath = WorkingCopyIndex();
    options.indexCachePath = IndexCache();
    return options;
}

} // namespace hookwise::core
