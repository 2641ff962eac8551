// The library's default outside components.
#pragma once

namespace cavra {

// Registers each default component with ComponentRegistry under its
// identifier, unless a factory is registered there already: a host that
// registered its own component earlier keeps it. Safe to call repeatedly.
void RegisterDefaultComponents();

}  // namespace cavra
