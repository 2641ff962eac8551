// XML documents. A DomPtr is a shared pugixml document; the library copies
// documents it is given and hands out copies unless a member says otherwise.
// Element and attribute names are matched as written, prefixes included
// ("z:row", "rs:data").
#pragma once

#include <memory>

#include <pugixml.hpp>

namespace cavra {

using DomDocument = pugi::xml_document;
using DomPtr = std::shared_ptr<pugi::xml_document>;

inline DomPtr NewDom() { return std::make_shared<pugi::xml_document>(); }

}  // namespace cavra
