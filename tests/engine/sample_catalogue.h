#pragma once

// Realistic blends from the sample catalogue CSVs (the four sample formulas).

#include "optimizer/engine/blend.h"

#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace lp::sample {

using CsvRow = std::vector<std::string>;

// Rows after the header; fields may be quoted ("Fosfato dicálcico 18,5% P").
inline std::vector<CsvRow> readCsv(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::vector<CsvRow> rows;
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (header || line.empty()) {
            header = false;
            continue;
        }
        CsvRow row(1);
        bool quoted = false;
        for (char c : line) {
            if (c == '"')
                quoted = !quoted;
            else if (c == ',' && !quoted)
                row.emplace_back();
            else
                row.back() += c;
        }
        rows.push_back(row);
    }
    return rows;
}

inline std::optional<double> number(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    return std::stod(text);
}

struct Catalogue {
    std::map<std::string, int> ingredientId; // codigo -> id (line number)
    std::vector<CsvRow> ingredients, nutrients, composition, formulas, formulaIngredients,
        formulaNutrients;

    explicit Catalogue(const std::string& dir = DOSIVANT_SAMPLE_DIR)
        : ingredients(readCsv(dir + "/ingredientes.csv")),
          nutrients(readCsv(dir + "/nutrientes.csv")),
          composition(readCsv(dir + "/composicion.csv")), formulas(readCsv(dir + "/formulas.csv")),
          formulaIngredients(readCsv(dir + "/formula_ingredientes.csv")),
          formulaNutrients(readCsv(dir + "/formula_nutrientes.csv")) {
        for (size_t i = 0; i < ingredients.size(); ++i)
            ingredientId[ingredients[i][0]] = static_cast<int>(i) + 1;
    }

    std::vector<std::string> formulaCodes() const {
        std::vector<std::string> codes;
        for (const auto& f : formulas)
            codes.push_back(f[0]);
        return codes;
    }

    double content(const std::string& codigo, const std::string& nutrient) const {
        for (const auto& c : composition)
            if (c[0] == codigo && c[1] == nutrient)
                return std::stod(c[2]);
        return 0;
    }

    // The formula as the workspace hands it to the engine: ingredients in ascending id, the
    // catalogue's cost and dry matter, nutrients in the formula's order.
    Blend blend(const std::string& code) const {
        Blend b;
        for (const auto& f : formulas)
            if (f[0] == code) {
                b.cantidad = std::stod(f[2]);
                b.secaIng = f[3] == "0"; // 1 = as fed
                b.secaNut = f[4] == "0";
            }
        std::map<int, CsvRow> chosen;
        for (const auto& fi : formulaIngredients)
            if (fi[0] == code)
                chosen[ingredientId.at(fi[1])] = fi;
        std::vector<std::string> codigos;
        for (const auto& [id, fi] : chosen) {
            const CsvRow& cat = ingredients[id - 1];
            const double cost = std::stod(cat[3]), dm = std::stod(cat[4]);
            b.ingredients.push_back(
                {id, cat[1], dm, cost / (dm / 100), cost, number(fi[2]), number(fi[3]), dm});
            codigos.push_back(cat[0]);
        }
        for (const auto& fn : formulaNutrients) {
            if (fn[0] != code)
                continue;
            int id = 0;
            for (size_t n = 0; n < nutrients.size(); ++n)
                if (nutrients[n][0] == fn[1])
                    id = static_cast<int>(n) + 1;
            b.nutrients.push_back({id, fn[1], number(fn[2]), number(fn[3])});
            std::vector<double> v;
            for (const auto& codigo : codigos)
                v.push_back(content(codigo, fn[1]));
            b.valor.push_back(v);
        }
        return b;
    }
};

} // namespace lp::sample
