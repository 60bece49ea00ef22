#pragma once

namespace keys {

// How a list view was opened: maintaining the catalogue ("ABM") or picking a row ("BUSCAR").
enum class ListMode { Maintain, Pick };

} // namespace keys
