// Load test of the team database: 8 clients at once, each on its own connection to one server
// database, for a bounded time (60 s; DOSIVANT_LOAD_SECONDS to change it), creating and editing
// ingredients, creating nutrients (with their zero composition rows), and saving formulas and
// new versions of them. Afterwards it checks what several people at once must never cause: a
// duplicate key, a write reported as saved but lost, a stale save not reported to its client,
// a composition row without its ingredient or nutrient, a formula row without its header, a hole
// in the dense composition. Prints operations per second, refusals and failures; exits with 1
// when a check fails.

#include "app/messages.h"
#include "catalog/ingredients.h"
#include "catalog/nutrients.h"
#include "store/database.h"
#include "store/revisions.h"
#include "store/sql_text.h"
#include "support/test_server.h"
#include "workspace/formula_loader.h"
#include "workspace/formula_save.h"
#include "workspace/workspace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <random>
#include <thread>

namespace {

constexpr int kClients = 8;
// Half the edits and saves fall on the first few ingredients and formulas, where the clients
// meet each other's changes.
constexpr unsigned kHot = 4;
// Between opening a row and saving it the user types: others' saves land in between.
constexpr auto kTyping = std::chrono::milliseconds(5);

// Messages of the formula save, kept per client thread (the service is one for the program).
thread_local QString lastMessage;
class PerThread : public msg::MessageService {
public:
    int show(const QString& text, int, const QString&) override {
        lastMessage = text;
        return msg::Ok;
    }
};

enum Kind { CreateIngredient, EditIngredient, CreateNutrient, SaveFormula, NewVersion, Kinds };
const char* const kNames[Kinds] = {"crear ingrediente", "editar ingrediente", "crear nutriente",
                                   "grabar fórmula", "nueva versión"};

struct Saved {
    int id, revision;
    QString value;
};

struct Client {
    int done[Kinds] = {};
    int refused[Kinds] = {};
    int failed[Kinds] = {};
    std::vector<QString> failures;
    std::vector<Saved> ingredientEdits, formulaSaves;
    std::vector<std::pair<int, QString>> createdIngredients;
    std::vector<int> createdNutrients, newVersions;
};

int maxKey(store::Database& db, const char* table, const char* key) {
    return db.query(QStringLiteral("select max(%1) from %2").arg(key, table)).value(0).toInt();
}

void runClient(const QString& url, int c, qint64 until, const QElapsedTimer& clock, Client& out) {
    auto db = store::Database::openFile(url);
    std::mt19937 random(unsigned(c) * 7919u + 1u);
    for (int n = 0; clock.elapsed() < until; ++n) {
        // Nutrients are rarer: each writes a row for every ingredient.
        const Kind kind = random() % 20 < 2 ? CreateNutrient : Kind(random() % unsigned(Kinds));
        try {
            switch (kind) {
            case CreateIngredient: {
                const QString code = QStringLiteral("L%1-%2").arg(c).arg(n);
                const auto r = catalog::createIngredient(
                    *db, {code, QStringLiteral("Cliente %1 nº %2").arg(c).arg(n), "Kg", 0.5, 88});
                if (r.refusal)
                    throw store::StoreError("código repetido: " + code);
                out.createdIngredients.emplace_back(r.id, code);
                break;
            }
            case EditIngredient: {
                const int id =
                    int(random() %
                        (random() % 2 ? kHot : unsigned(maxKey(*db, "productos", "id_producto")))) +
                    1;
                const auto loaded = catalog::loadIngredient(*db, id);
                if (!loaded)
                    continue;
                std::this_thread::sleep_for(kTyping);
                const QString name = QStringLiteral("editado %1-%2").arg(c).arg(n);
                catalog::IngredientValues v{loaded->shown.codigo, name, "Kg", 0.25 + n % 7, 90};
                if (catalog::updateIngredient(*db, id, v, loaded->revision))
                    out.ingredientEdits.push_back({id, loaded->revision + 1, name});
                break;
            }
            case CreateNutrient:
                out.createdNutrients.push_back(
                    catalog::createNutrient(*db, {QStringLiteral("N%1-%2").arg(c).arg(n), "%"}));
                break;
            case SaveFormula:
            case NewVersion: {
                std::vector<int> ids;
                db->forEachRow(
                    "select id_formula from formulas", {},
                    [&](const store::Database::Row& r) { ids.push_back(int(r[0].toLongLong())); });
                workspace::Workspace ws;
                ws.formulaId = ids[random() % (random() % 2 ? kHot : ids.size())];
                workspace::LoadedFormula loaded = workspace::loadFormula(*db, ws.formulaId);
                const workspace::FormulaHeader header = loaded.header;
                workspace::adoptLoaded(ws, std::move(loaded.ws), ws.formulaId);
                if (!header.found)
                    continue;
                const int loadedId = ws.formulaId;
                const formulas::HeaderOpening opened = formulas::openHeader(*db, loadedId);
                if (opened.formulaId != loadedId)
                    continue;
                std::this_thread::sleep_for(kTyping);
                const double marker = c * 1e6 + n;
                formulas::HeaderInput answer;
                answer.code = opened.code;
                answer.product = "Marca " + sql::number(marker);
                answer.newVersion = kind == NewVersion;
                answer.cantidad = ws.batchQuantity;
                answer.secaIng = ws.ingredientsDry;
                answer.secaNut = ws.nutrientsDry;
                answer.today = QDate::currentDate();
                const int revision = ws.vRevision;
                lastMessage.clear();
                const auto result = workspace::saveFormula(ws, *db, opened, answer);
                if (result.outcome == workspace::SaveResult::Saved) {
                    if (kind == SaveFormula)
                        out.formulaSaves.push_back({loadedId, revision + 1, answer.product});
                    else
                        out.newVersions.push_back(ws.formulaId);
                } else if (lastMessage == workspace::kFormulaChangedByOther) {
                    ++out.refused[kind];
                    continue;
                } else {
                    throw store::StoreError(lastMessage);
                }
                break;
            }
            case Kinds:
                break;
            }
            ++out.done[kind];
        } catch (const store::StaleRowError&) {
            ++out.refused[kind];
        } catch (const std::exception& e) {
            ++out.failed[kind];
            if (out.failures.size() < 5)
                out.failures.push_back(QString::fromUtf8(e.what()));
        }
    }
}

int problems = 0;
void check(bool ok, const QString& what) {
    if (!ok) {
        ++problems;
        std::printf("FALLO: %s\n", what.toUtf8().constData());
    }
}

int count(store::Database& db, const QString& sql) {
    return db.query(sql).count();
}

// A row's final value must be the one of its last reported save, and no two saves may have
// claimed the same revision (that would be a lost update).
void checkSaves(store::Database& db, const std::vector<Saved>& saves, const QString& table,
                const QString& select) {
    std::map<int, std::map<int, QString>> byRow;
    for (const Saved& s : saves) {
        auto& revisions = byRow[s.id];
        check(!revisions.count(s.revision),
              QStringLiteral("%1 %2: dos grabaciones con la revisión %3")
                  .arg(table)
                  .arg(s.id)
                  .arg(s.revision));
        revisions[s.revision] = s.value;
    }
    for (const auto& [id, revisions] : byRow) {
        const auto [lastRevision, lastValue] = *revisions.rbegin();
        check(store::readRevision(db, table, id) == lastRevision,
              QStringLiteral("%1 %2: revisión guardada distinta de la última grabada")
                  .arg(table)
                  .arg(id));
        const QString stored = db.query(select.arg(id)).value(0).toString();
        check(stored == lastValue,
              QStringLiteral("%1 %2: se perdió la última grabación (%3 en vez de %4)")
                  .arg(table)
                  .arg(id)
                  .arg(stored, lastValue));
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = qEnvironmentVariableIsSet("DOSIVANT_LOAD_SECONDS")
                            ? qEnvironmentVariableIntValue("DOSIVANT_LOAD_SECONDS")
                            : 60;
    PerThread messages;
    msg::setService(&messages);
    const QString url = TestServer::instance().createDatabase();
    store::Database::createFile(url, true);
    const auto holes = [](store::Database& db) {
        return count(db, "select * from productos") * count(db, "select * from propiedades") -
               db.query("select count(*) from producto_propiedad").value(0).toInt();
    };
    const int holesBefore = holes(*store::Database::openFile(url));

    std::vector<Client> clients(kClients);
    std::vector<std::thread> threads;
    QElapsedTimer clock;
    clock.start();
    for (int c = 0; c < kClients; ++c)
        threads.emplace_back(
            [&, c] { runClient(url, c, seconds * 1000LL, clock, clients[size_t(c)]); });
    for (auto& t : threads)
        t.join();
    const double elapsed = clock.elapsed() / 1000.0;

    Client all;
    for (const Client& c : clients) {
        for (int k = 0; k < Kinds; ++k) {
            all.done[k] += c.done[k];
            all.refused[k] += c.refused[k];
            all.failed[k] += c.failed[k];
        }
        for (const QString& f : c.failures)
            std::printf("fallo de un cliente: %s\n", f.toUtf8().constData());
        all.ingredientEdits.insert(all.ingredientEdits.end(), c.ingredientEdits.begin(),
                                   c.ingredientEdits.end());
        all.formulaSaves.insert(all.formulaSaves.end(), c.formulaSaves.begin(),
                                c.formulaSaves.end());
        all.createdIngredients.insert(all.createdIngredients.end(), c.createdIngredients.begin(),
                                      c.createdIngredients.end());
        all.createdNutrients.insert(all.createdNutrients.end(), c.createdNutrients.begin(),
                                    c.createdNutrients.end());
        all.newVersions.insert(all.newVersions.end(), c.newVersions.begin(), c.newVersions.end());
    }
    int total = 0;
    std::printf("%d clientes, %.1f s en una base de datos del servidor\n", kClients, elapsed);
    for (int k = 0; k < Kinds; ++k) {
        total += all.done[k];
        std::printf("%-20s %6d hechas (%6.1f/s) %5d rechazadas por cambio ajeno %4d fallidas\n",
                    kNames[k], all.done[k], all.done[k] / elapsed, all.refused[k], all.failed[k]);
    }
    std::printf("total                %6d hechas (%6.1f/s)\n", total, total / elapsed);

    auto db = store::Database::openFile(url);
    for (const auto& [table, key] : std::vector<std::pair<QString, QString>>{
             {"productos", "id_producto"},
             {"propiedades", "id_propiedad"},
             {"formulas", "id_formula"},
             {"producto_propiedad", "id_producto,id_propiedad"},
             {"formula_producto", "id_formula,id_producto"},
             {"formula_propiedad", "id_formula,id_propiedad"}})
        check(count(*db, "select " + key + " from " + table + " group by " + key +
                             " having count(*)>1") == 0,
              "clave repetida en " + table);
    check(count(*db,
                "select trim(codigo) from productos group by trim(codigo) having count(*)>1") == 0,
          "código de ingrediente repetido");
    for (const auto& [id, code] : all.createdIngredients)
        check(count(*db, "select * from productos where id_producto=" + QString::number(id) +
                             " and trim(codigo)=" + sql::text(code)) == 1,
              "ingrediente creado perdido: " + code);
    for (const int id : all.createdNutrients)
        check(count(*db, "select * from propiedades where id_propiedad=" + QString::number(id)) ==
                  1,
              "nutriente creado perdido");
    for (const int id : all.newVersions)
        check(count(*db, "select * from formulas where id_formula=" + QString::number(id)) == 1,
              "versión nueva perdida");
    checkSaves(*db, all.ingredientEdits, "productos",
               "select nombre from productos where id_producto=%1");
    checkSaves(*db, all.formulaSaves, "formulas",
               "select producto from formulas where id_formula=%1");
    check(count(*db,
                "select * from producto_propiedad pp where not exists (select * from productos p "
                "where p.id_producto=pp.id_producto) or not exists (select * from propiedades "
                "q where q.id_propiedad=pp.id_propiedad)") == 0,
          "fila de composición sin su ingrediente o su nutriente");
    for (const char* table : {"formula_producto", "formula_propiedad"})
        check(count(*db,
                    QStringLiteral("select * from %1 fp where not exists (select * from formulas f "
                                   "where f.id_formula=fp.id_formula)")
                        .arg(table)) == 0,
              QStringLiteral("fila de %1 sin su fórmula").arg(table));
    const int ingredients = count(*db, "select * from productos");
    const int nutrients = count(*db, "select * from propiedades");
    check(holes(*db) == holesBefore,
          "falta una fila de composición de un ingrediente o nutriente creado");
    std::printf("%d ingredientes, %d nutrientes, %d fórmulas; %s\n", ingredients, nutrients,
                count(*db, "select * from formulas"),
                problems == 0 ? "todas las comprobaciones bien" : "HAY FALLOS");
    db.reset();
    TestServer::instance().dropDatabase(url);
    return problems == 0 ? 0 : 1;
}
