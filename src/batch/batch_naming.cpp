#include "batch/batch_naming.h"

#include "sketch/folder_order.h"

namespace carbonel {

std::string indexedName(const std::string& name, int index) {
    if (index < 0) return name;
    const std::size_t slash = name.find_last_of('/');
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = name.size();
    return name.substr(0, dot) + std::to_string(index) + name.substr(dot);
}

std::string batchOutputName(const std::string& outputFolder, const std::string& entry, int index,
                            const std::function<bool(const std::string&)>& taken) {
    const std::size_t slash = entry.find_last_of('/');
    const std::string name =
        outputFolder + (slash == std::string::npos ? "/" + entry : entry.substr(slash));
    if (!taken(name)) return name;
    for (int candidate = index;; ++candidate) {
        const std::string indexed = indexedName(name, candidate);
        if (!taken(indexed)) return indexed;
    }
}

SaveType batchOutputType(const std::string& entry) {
    const std::string extension = toLowerAscii(fileExtension(entry));
    return extension == ".jpg" || extension == ".jpeg" ? SaveType::Jpeg : SaveType::Bmp;
}

}  // namespace carbonel
