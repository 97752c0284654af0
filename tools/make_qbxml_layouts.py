#!/usr/bin/env python3
"""Writes qbxml_layouts.cpp: the child order, length limits and value kinds of the qbXML
elements the simulated company reads and writes, flattened from the public qbXML schema.

    python3 tools/make_qbxml_layouts.py third_party/qbxml > src/quickbooks/sim/qbxml_layouts.cpp
"""
import sys
import xml.etree.ElementTree as ET

XS = '{http://www.w3.org/2001/XMLSchema}'

# Elements whose layouts are needed; everything they contain is added too.
ROOTS = [
    'HostQueryRq', 'CompanyQueryRq',
    'CustomerAddRq', 'CustomerModRq', 'CustomerQueryRq', 'VendorAddRq', 'VendorModRq',
    'VendorQueryRq', 'EmployeeAddRq', 'EmployeeQueryRq', 'OtherNameQueryRq',
    'ItemQueryRq', 'ItemServiceQueryRq', 'ItemNonInventoryQueryRq', 'ItemOtherChargeQueryRq',
    'ItemDiscountQueryRq', 'ItemSubtotalQueryRq', 'ItemSalesTaxQueryRq',
    'ItemSalesTaxGroupQueryRq', 'AccountQueryRq', 'InvoiceAddRq', 'InvoiceQueryRq',
    'ReceivePaymentAddRq', 'ReceivePaymentQueryRq', 'PurchaseOrderAddRq',
    'PurchaseOrderQueryRq', 'PurchaseOrderModRq', 'ClassQueryRq', 'ClassAddRq',
    'CustomerTypeQueryRq', 'CustomerTypeAddRq', 'SalesTaxCodeQueryRq', 'SalesRepQueryRq',
    'PaymentMethodQueryRq', 'StandardTermsQueryRq', 'DateDrivenTermsQueryRq', 'TermsQueryRq',
    'ItemServiceAddRq', 'ItemNonInventoryAddRq', 'ItemOtherChargeAddRq', 'ItemDiscountAddRq',
    'ItemSubtotalAddRq', 'ItemSalesTaxAddRq', 'ItemSalesTaxGroupAddRq', 'SalesTaxCodeAddRq',
    'SalesRepAddRq', 'PaymentMethodAddRq', 'StandardTermsAddRq', 'DateDrivenTermsAddRq',
    'AccountAddRq',
    'CustomerRet', 'VendorRet', 'EmployeeRet', 'OtherNameRet', 'ItemServiceRet',
    'ItemNonInventoryRet', 'ItemOtherChargeRet', 'ItemDiscountRet', 'ItemSubtotalRet',
    'ItemSalesTaxRet', 'ItemSalesTaxGroupRet', 'AccountRet', 'InvoiceRet',
    'ReceivePaymentRet', 'PurchaseOrderRet', 'ClassRet', 'CustomerTypeRet', 'SalesTaxCodeRet',
    'SalesRepRet', 'PaymentMethodRet', 'StandardTermsRet', 'DateDrivenTermsRet', 'CompanyRet',
    'HostRet',
]
# Response elements are written by the company itself; they carry no children to order.
SKIP = {'DataExt', 'DataExtRet', 'DataExtMod'}

KINDS = {
    'AMTTYPE': 'a', 'PRICETYPE': 'a', 'QUANTYPE': 'a', 'PERCENTTYPE': 'a',
    'BOOLTYPE': 'b', 'DATETYPE': 'd', 'DATETIMETYPE': 'd', 'INTTYPE': 'i',
}


def load(folder):
    elements, groups, types = {}, {}, {}
    for name in ['qbxmltypes130.xsd', 'qbxml130.xsd', 'qbxmlso130.xsd', 'qbxmlops130.xsd']:
        root = ET.parse(f'{folder}/{name}').getroot()
        for node in root:
            if node.tag == XS + 'element':
                elements[node.get('name')] = node
            elif node.tag == XS + 'group':
                groups[node.get('name')] = node
            elif node.tag in (XS + 'complexType', XS + 'simpleType'):
                types[node.get('name')] = node
    return elements, groups, types


def occurs(node):
    lo = int(node.get('minOccurs', '1'))
    hi = node.get('maxOccurs', '1')
    return lo, (hi == 'unbounded' or int(hi) > 1)


class Flattener:
    def __init__(self, elements, groups, types):
        self.elements, self.groups, self.types = elements, groups, types
        self.layouts = {}
        self.pending = []

    def simple_info(self, node):
        """(kind, maxLength) of a simple element node."""
        type_name = node.get('type')
        if type_name:
            if type_name in KINDS:
                return KINDS[type_name], 0
            t = self.types.get(type_name)
            if t is not None and t.tag == XS + 'simpleType':
                return self.restriction_info(t)
            if type_name in ('IDTYPE',):
                return 's', 36
            return 's', 0
        st = node.find(XS + 'simpleType')
        if st is not None:
            return self.restriction_info(st)
        return 's', 0

    def restriction_info(self, st):
        r = st.find(XS + 'restriction')
        if r is None:
            return 's', 0
        base = r.get('base', '')
        kind = KINDS.get(base, 's')
        if base == 'ENUMTYPE' or r.find(XS + 'enumeration') is not None:
            kind = 'e'
        ml = r.find(XS + 'maxLength')
        return kind, int(ml.get('value')) if ml is not None else 0

    def complex_of(self, node):
        ct = node.find(XS + 'complexType')
        if ct is not None:
            return ct
        t = node.get('type')
        if t and t in self.types and self.types[t].tag == XS + 'complexType':
            return self.types[t]
        return None

    def children(self, ct):
        out = []
        for part in ct:
            if part.tag in (XS + 'sequence', XS + 'choice', XS + 'group'):
                self.particle(part, True, False, None, out)
        return out

    # rank: the order position shared by the alternatives of a repeated choice (they may
    # interleave), None elsewhere (each element takes its own position).
    def particle(self, node, required, repeat, rank, out):
        lo, many = occurs(node)
        required = required and lo > 0
        repeat = repeat or many
        if node.tag == XS + 'sequence':
            for part in node:
                self.particle(part, required, repeat, rank, out)
        elif node.tag == XS + 'choice':
            options = [p for p in node if p.tag != XS + 'annotation']
            if many and rank is None:
                rank = len(out)
            for part in options:
                self.particle(part, required and len(options) == 1, repeat, rank, out)
        elif node.tag == XS + 'group':
            group = self.groups[node.get('ref')]
            body = group.find(XS + 'sequence')
            if body is None:
                body = group.find(XS + 'choice')
            self.particle(body, required, repeat, rank, out)
        elif node.tag == XS + 'element':
            target = self.elements[node.get('ref')] if node.get('ref') else node
            name = node.get('ref') or node.get('name')
            ct = self.complex_of(target)
            if ct is not None:
                kind, maxlen = 'c', 0
                if name not in SKIP:
                    self.pending.append((name, ct))
            else:
                kind, maxlen = self.simple_info(target)
            if not any(c[0] == name for c in out):
                out.append((name, kind, maxlen, required, repeat, len(out) if rank is None else rank))

    def add(self, name, ct):
        fields = self.children(ct)
        if name in self.layouts:
            if self.layouts[name] != fields:
                self.conflicts.setdefault(name, []).append(fields)
            return
        self.layouts[name] = fields

    def run(self, roots):
        self.conflicts = {}
        self.iterable = set()
        for r in roots:
            node = self.elements.get(r)
            if node is None:
                node = self.find_message_element(r)
            ct = self.complex_of(node)
            if any(a.get('name') == 'iterator' for a in ct.findall(XS + 'attribute')):
                self.iterable.add(r)
            self.pending.append((r, ct))
        done = set()
        while self.pending:
            name, ct = self.pending.pop(0)
            key = (name, id(ct))
            if key in done:
                continue
            done.add(key)
            self.add(name, ct)


def find_message(elements, name):
    for msgs in ('QBXMLMsgsRq', 'QBXMLMsgsRs'):
        for node in elements[msgs].iter(XS + 'element'):
            if node.get('name') == name:
                return node
    raise KeyError(name)


def main():
    folder = sys.argv[1]
    elements, groups, types = load(folder)
    f = Flattener(elements, groups, types)
    f.find_message_element = lambda n: find_message(elements, n)
    f.run(ROOTS)
    for name, variants in f.conflicts.items():
        sys.stderr.write(f'conflicting layouts for {name}: {len(variants) + 1}\n')
    print('// Generated by tools/make_qbxml_layouts.py from the public qbXML 13.0 schema: for each element, its')
    print('// children in schema order with their value kind, maximum length and occurrence, and')
    print('// whether a query takes the iterator attribute.')
    print('// NOLINTBEGIN')
    print('#include "quickbooks/sim/qbxml_layouts.h"')
    print()
    print('namespace vqb::qb::sim {')
    print('namespace {')
    names = sorted(f.layouts)
    for i, name in enumerate(names):
        print(f'constexpr FieldLayout k{i}[] = {{')
        for child, kind, maxlen, required, repeat, rank in f.layouts[name]:
            print(f'    {{"{child}", \'{kind}\', {maxlen}, {str(required).lower()}, {str(repeat).lower()}, {rank}}},')
        if not f.layouts[name]:
            print('    {"", \'s\', 0, false, false, 0},')
        print('};')
    print('}  // namespace')
    print()
    print('const ElementLayout kElementLayouts[] = {')
    for i, name in enumerate(names):
        n = len(f.layouts[name])
        iterable = str(name in f.iterable).lower()
        print(f'    {{"{name}", k{i}, {n}, {iterable}}},')
    print('};')
    print('const std::size_t kElementLayoutCount = sizeof(kElementLayouts) / sizeof(kElementLayouts[0]);')
    print()
    print('}  // namespace vqb::qb::sim')
    print('// NOLINTEND')


if __name__ == '__main__':
    main()
