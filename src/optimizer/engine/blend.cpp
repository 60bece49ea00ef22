#include "optimizer/engine/blend.h"

#include "optimizer/engine/text.h"

namespace lp {

const char* kindName(LimitRef::Kind kind) {
    switch (kind) {
    case LimitRef::Nutrient:
        return "nutriente";
    case LimitRef::Ingredient:
        return "ingrediente";
    case LimitRef::Ratio:
        return "relacion";
    case LimitRef::Group:
        return "grupo";
    }
    return "";
}

int nutrientIndex(const Blend& blend, int id) {
    for (size_t n = 0; n < blend.nutrients.size(); ++n)
        if (blend.nutrients[n].id == id)
            return static_cast<int>(n);
    return -1;
}

std::string ratioName(const Blend& blend, size_t ratio) {
    const Ratio& r = blend.ratios[ratio];
    std::string name = trimmed(r.nombre);
    if (!name.empty())
        return name;
    const int num = nutrientIndex(blend, r.numerador), div = nutrientIndex(blend, r.divisor);
    auto nameOf = [&](int n, int id) {
        return n >= 0 ? trimmed(blend.nutrients[size_t(n)].nombre)
                      : "nutriente " + std::to_string(id);
    };
    return nameOf(num, r.numerador) + " / " + nameOf(div, r.divisor);
}

std::string groupName(const Blend& blend, size_t group) {
    const Group& g = blend.groups[group];
    std::string name = trimmed(g.nombre);
    return name.empty() ? "grupo " + std::to_string(g.id) : name;
}

} // namespace lp
