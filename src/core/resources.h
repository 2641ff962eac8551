// Localized texts, looked up by key ("Ordra.AA.VCH.029") through the
// language resource components of this thread. The library registers
// catalogue-backed defaults for "LangKit.ResourceServiceFactory" and
// "LangKit.CService_ResourceFormatter"; a host may register its own.
#pragma once

#include <string>
#include <string_view>

#include "cavra/components.h"
#include "cavra/error.h"
#include "cavra/variant.h"

namespace cavra {

// Creates this thread's resource objects from components, until the factory
// has been created once; errors are ignored.
void InitResourceService(const ComponentSet& components = *ComponentSet::Process());
// The text of key; "" when there is no service or the lookup fails.
std::string GetResString(std::string_view key);
// The text of key with its placeholders filled from params; "" on failure.
// Placeholders are written {0}, {1}, ... (params[0], params[1], ...).
std::string GetResStringEx(std::string_view key, VariantArray& params);
// The current language id; "zh-CN" when the service answers "" or fails.
std::string GetLanguageID();

// Error 101 whose description is the text of key.
VbError ResourceError(std::string_view key);

// Registers the catalogue-backed default resource components.
void RegisterResourceComponents();

}  // namespace cavra
