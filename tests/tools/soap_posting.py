"""What the emulator's tests share: the SOAP calls they post to it, the references inside
those calls as the client library writes them, and reading the replies by local name, as
the client library does.

DORSA_EMULATOR may name the emulator script; by default the one of this source tree is used."""

import os
import unittest
import urllib.error
import urllib.request
from xml.etree import ElementTree

from emulator_process import EMULATOR, EmulatorProcess

ROOT = "http://www.zelvra.com"
BASE_TYPES = f"{ROOT}/16/01/ZelvraBaseTypes"
SOAP_ENV = "http://schemas.xmlsoap.org/soap/envelope/"
XSI = "http://www.w3.org/2001/XMLSchema-instance"
PREFIXES = {"Browse": "brow", "DataExport": "exp", "DataImport": "dat", "Search": "sear", "EngineeringData": "eng"}
DB = "<zbt:dbKey>DORSA_SAMPLES</zbt:dbKey>"
FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures", "tools")


def fixture(name):
    """The text of tests/fixtures/tools/`name`."""
    with open(os.path.join(FIXTURES, name), encoding="utf-8") as text:
        return text.read()


def write_fixture(name, text):
    with open(os.path.join(FIXTURES, name), "w", encoding="utf-8", newline="") as written:
        written.write(text)


# References as the client writes them

def by_id(identity):
    return f"{DB}<zbt:attributeIdentity>{identity}</zbt:attributeIdentity>"


def by_name(name, table="Alloys and Polymers"):
    return (f'{DB}<zbt:name zbt:isStandard="false"><zbt:table><zbt:tableName>{table}</zbt:tableName></zbt:table>'
            f"<zbt:attributeName>{name}</zbt:attributeName></zbt:name>")


def by_standard_name(name):
    return f'{DB}<zbt:name zbt:isStandard="true"><zbt:attributeName>{name}</zbt:attributeName></zbt:name>'


def pseudo(name):
    return f'<zbt:name zbt:isStandard="true"><zbt:pseudo>{name}</zbt:pseudo></zbt:name>'


def parameter(identity):
    return f"{DB}<zbt:parameterIdentity>{identity}</zbt:parameterIdentity>"


def record(identity=0, guid="", history_guid="", db=DB):
    content = db + (f"<zbt:identity><zbt:recordHistoryIdentity>{identity}</zbt:recordHistoryIdentity></zbt:identity>"
                    if identity else "")
    content += f"<zbt:recordGUID>{guid}</zbt:recordGUID>" if guid else ""
    return content + (f"<zbt:recordHistoryGUID>{history_guid}</zbt:recordHistoryGUID>" if history_guid else "")


def record_list(*identities):
    return "<zbt:recordReferences>" + "".join(f"<zbt:record>{record(i)}</zbt:record>" for i in identities) + \
        "</zbt:recordReferences>"


# Reading replies by local name

def local(element):
    return element.tag.rpartition("}")[2]


def children(element, name):
    return [] if element is None else [c for c in element if local(c) == name]


def child(element, path):
    """The element at `path`: local names joined by "/", each step the first child of that
    name, or "name[n]" the n-th; None when there is none."""
    for step in filter(None, path.split("/")):
        name, _, index = step.rstrip("]").partition("[")
        found = children(element, name)
        element = found[int(index or 0)] if len(found) > int(index or 0) else None
    return element


def text(element, path=""):
    found = child(element, path)
    return None if found is None else (found.text or "")


def history_identity(element, path="recordReference"):
    return int(text(element, f"{path}/identity/recordHistoryIdentity"))


def exchange(url, action, body):
    """(HTTP status, reply bytes) of `body` posted to `url` with SOAPAction `action`."""
    request = urllib.request.Request(url, data=body.encode(), method="POST",
                                     headers={"Content-Type": "text/xml;charset=UTF-8", "SOAPAction": action})
    try:
        with urllib.request.urlopen(request, timeout=30) as reply:
            return reply.status, reply.read()
    except urllib.error.HTTPError as error:
        return error.code, error.read()


class Emulator(EmulatorProcess):
    """The emulator on a free port, started with `arguments`, and the calls posted to it."""

    def __init__(self, *arguments):
        super().__init__(EMULATOR, *arguments)

    def post(self, service, operation, content, root=None, response=None):
        """(HTTP status, the response element or the fault string) of one call. The request's
        element is `root`, by default the operation's name; the response element is
        `response`, by default the operation's name and "Response", None when the reply lacks it."""
        prefix, root = PREFIXES[service], root or operation
        body = (f'<?xml version="1.0" encoding="UTF-8"?><soapenv:Envelope xmlns:zbt="{BASE_TYPES}" '
                f'xmlns:soapenv="{SOAP_ENV}" xmlns:xsi="{XSI}" xmlns:{prefix}="{ROOT}/16/01/{service}">'
                f"<soapenv:Header/><soapenv:Body><{prefix}:{root}>{content}</{prefix}:{root}></soapenv:Body>"
                "</soapenv:Envelope>")
        status, data = exchange(f"{self.url}/{service}.svc", f"{ROOT}/16/01/{service}/{operation}Request", body)
        soap_body = child(ElementTree.fromstring(data), "Body")
        fault = child(soap_body, "Fault")
        if fault is not None:
            return status, text(fault, "faultstring")
        return status, child(soap_body, response or operation + "Response")


class EmulatorTestCase(unittest.TestCase):
    """Cases that share one emulator, started for their class with `emulator_class` and
    `emulator_arguments`. Calls go to `service` unless they name another."""

    emulator_class = Emulator
    emulator_arguments = ()
    service = None

    @classmethod
    def setUpClass(cls):
        cls.emulator = cls.emulator_class(*cls.emulator_arguments)

    @classmethod
    def tearDownClass(cls):
        cls.emulator.stop()

    def call(self, operation, content, service=None, root=None, response=None):
        """The response element of a call that must succeed."""
        status, reply = self.emulator.post(service or self.service, operation, content, root, response)
        self.assertEqual(status, 200, reply)
        self.assertIsNotNone(reply, f"{operation} reply has no {response or operation + 'Response'}")
        return reply

    def fault(self, operation, content, service=None, root=None):
        """The fault string of a call that must be refused."""
        status, reply = self.emulator.post(service or self.service, operation, content, root)
        self.assertEqual(status, 500, reply)
        return reply

    def assertFaults(self, cases, service=None):
        """Each call of (operation, content, message) is refused with exactly `message`."""
        for operation, content, message in cases:
            with self.subTest(message=message):
                self.assertEqual(self.fault(operation, content, service), message)
