"""Units, unit systems, currencies and unit conversions of the sample data."""

from soap import Fault


def _currency(w, currency):
    return w.own("currency", w.own("code", text=currency["code"]), w.own("name", text=currency["name"]),
                 w.own("factor", text=repr(currency["factor"])))


def _currency_factor(catalogue, source, target):
    factors = {c["code"]: c["factor"] for c in catalogue.currencies}
    for code in (source, target):
        if code not in factors:
            raise Fault(f"Unknown currency: {code}")
    return factors[target] / factors[source]


def convert(catalogue, database, system, symbol, currency):
    """(target symbol, factor, offset) of `symbol` in `system`; a currency-bearing unit
    is converted into `currency` when one is given."""
    for unit in database["units"]:
        if unit["symbol"] == symbol and unit["hasCurrency"]:
            source_currency, _, rest = symbol.partition("/")
            target = currency or source_currency
            return f"{target}/{rest}", _currency_factor(catalogue, source_currency, target), 0.0
    for source, target, factor, offset in database["conversions"].get(system, []):
        if source == symbol:
            return target, factor, offset
    return None


def get_units(request, catalogue, w):
    database = catalogue.database(request.text(request.own(request.element, "dbKey")))
    units = [w.own("Unit", symbol=u["symbol"], hasCurrency="true" if u["hasCurrency"] else "false")
             for u in database["units"]]
    return w.response("GetUnits", w.own("Databases", w.own("Database", w.own("dbKey", text=database["key"]),
                                                         w.own("Units", *units))))


def get_unit_systems(request, catalogue, w):
    database = catalogue.database(request.text(request.own(request.element, "dbKey")))
    exclude = request.text(request.own(request.element, "excludeCurrencies"), "false") == "true"
    children = [w.own("dbKey", text=database["key"]),
                w.own("unitSystems", *[w.own("unitSystem", text=s) for s in database["unitSystems"]])]
    if not exclude:
        children.append(w.own("currencies", *[_currency(w, c) for c in catalogue.currencies]))
    return w.response("GetUnitSystems", *children)


def get_currencies(request, catalogue, w):
    return w.response("GetCurrencies", *[_currency(w, c) for c in catalogue.currencies])


def get_unit_conversions(request, catalogue, w):
    database = catalogue.database(request.text(request.own(request.element, "dbKey")))
    contexts_element = request.own(request.element, "unitConversionContexts")
    source_units = request.own(request.element, "sourceUnits")
    symbols = [request.text(s) for s in request.own_all(source_units, "unitSymbol")]
    target_currency = request.text(request.own(source_units, "targetCurrency"))
    contexts = []
    for context in request.own_all(contexts_element, "unitConversionContext"):
        system = request.text(request.base(context, "unitSystem"), "SI")
        if system not in database["unitSystems"]:
            raise Fault(f"Unknown unit system: {system}")
        currency = request.text(request.base(context, "currency"))
        conversions = []
        for symbol in symbols:
            converted = convert(catalogue, database, system, symbol, currency)
            if converted:
                conversions.append(w.own("Conversion", w.own("Factor", text=repr(converted[1])),
                                         w.own("Offset", text=repr(converted[2])),
                                         sourceSymbol=symbol, targetSymbol=converted[0]))
        echo = [w.own("unitSystem", text=system)] + ([w.own("currency", text=currency)] if currency else [])
        contexts.append(w.own("unitConversionContext", w.own("UnitConversionContext", *echo),
                              w.own("Conversions", *conversions)))
    per_source = []
    for symbol in symbols:
        targets = [convert(catalogue, database, s, symbol, target_currency) for s in database["unitSystems"]]
        unique = {t[0]: t for t in targets if t}
        per_source.append(w.own("sourceUnit", *[
            w.own("Conversion", w.own("Factor", text=repr(f)), w.own("Offset", text=repr(o)), targetSymbol=t)
            for t, f, o in unique.values()], sourceSymbol=symbol))
    return w.response("GetUnitConversions", w.own("dbKey", text=database["key"]),
                      w.own("unitConversionContexts", *contexts), w.own("sourceUnits", *per_source))
