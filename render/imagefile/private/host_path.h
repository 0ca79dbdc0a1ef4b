// Programs written for the original platform separate directories with "\".
#pragma once

#include <string>

namespace korva::picture {

// The name as given when something exists there or it holds no "\"; otherwise the name
// with every "\" turned into "/".
std::string hostPath(const std::string& name);

}  // namespace korva::picture
