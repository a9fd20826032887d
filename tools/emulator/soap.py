"""SOAP 1.1 plumbing of the emulator: namespace-aware request checking against the
operation catalogue, reply and fault envelopes, and a small escaping XML writer."""

from xml.etree import ElementTree
from xml.sax.saxutils import escape, quoteattr

SOAP_ENV = "http://schemas.xmlsoap.org/soap/envelope/"
SCHEMA_INSTANCE = "http://www.w3.org/2001/XMLSchema-instance"
INTERFACE_VERSION = "16/01"

# endpoint file -> service namespace name
SERVICES = {
    "Browse.svc": "Browse",
    "Search.svc": "Search",
    "DataExport.svc": "DataExport",
    "DataImport.svc": "DataImport",
    "EngineeringData.svc": "EngineeringData",
}


class Fault(Exception):
    """A request the service refuses; answered as a SOAP fault with HTTP 500."""

    def __init__(self, message, code="s:Client"):
        super().__init__(message)
        self.message = message
        self.code = code


class UnknownEndpoint(Exception):
    """A path that names no endpoint of the service; answered with HTTP 404."""


class Namespaces:
    """The namespace URIs of one deployment."""

    def __init__(self, root):
        self.root = root.rstrip("/")
        self.base_types = f"{self.root}/{INTERFACE_VERSION}/ZelvraBaseTypes"

    def service(self, name):
        return f"{self.root}/{INTERFACE_VERSION}/{name}"


class Request:
    """A checked request: its operation and body element, with namespace-aware readers."""

    def __init__(self, operation, element, service_ns, base_ns):
        self.operation = operation
        self.element = element
        self.service_ns = service_ns
        self.base_ns = base_ns
        self.base_url = ""

    def own(self, parent, local):
        """A child element in the service's own namespace."""
        return None if parent is None else parent.find(f"{{{self.service_ns}}}{local}")

    def base(self, parent, local):
        """A child element in the base-types namespace."""
        return None if parent is None else parent.find(f"{{{self.base_ns}}}{local}")

    def base_all(self, parent, local):
        return [] if parent is None else parent.findall(f"{{{self.base_ns}}}{local}")

    def own_all(self, parent, local):
        return [] if parent is None else parent.findall(f"{{{self.service_ns}}}{local}")

    @staticmethod
    def text(element, default=""):
        return default if element is None or element.text is None else element.text


def parse_request(path, soap_action, body, namespaces, base_path, operations):
    """Checks a posted request the way the service does against `operations` (the rows of
    operations.py); raises Fault or UnknownEndpoint."""
    directory, _, endpoint = path.rpartition("/")
    service = SERVICES.get(endpoint) if directory == base_path else None
    if service is None:
        raise UnknownEndpoint(endpoint)
    service_ns = namespaces.service(service)
    action = (soap_action or "").strip('"')
    prefix = service_ns + "/"
    if not action.startswith(prefix) or not action.endswith("Request"):
        raise Fault(f"SOAPAction '{action}' does not belong to the {service} service")
    operation = action[len(prefix):-len("Request")]
    row = operations.get(operation)
    if row is None or row.service != service:
        raise Fault(f"The {service} service has no operation '{operation}'")
    try:
        envelope = ElementTree.fromstring(body)
    except ElementTree.ParseError as error:
        raise Fault(f"The request is not well-formed XML: {error}")
    if envelope.tag != f"{{{SOAP_ENV}}}Envelope":
        raise Fault(f"Expected a SOAP 1.1 Envelope, found {envelope.tag}")
    soap_body = envelope.find(f"{{{SOAP_ENV}}}Body")
    if soap_body is None:
        raise Fault("The envelope has no Body")
    children = list(soap_body)
    if row.request_element is None:
        if children:
            raise Fault(f"{operation} takes no request element")
        return Request(operation, None, service_ns, namespaces.base_types)
    expected = f"{{{service_ns}}}{row.request_element}"
    if len(children) != 1 or children[0].tag != expected:
        found = children[0].tag if children else "nothing"
        raise Fault(f"The Body must hold {expected} for SOAPAction {action}, found {found}")
    return Request(operation, children[0], service_ns, namespaces.base_types)


def element(name, /, *children, text=None, **attributes):
    """One element, escaped; `children` are already written elements."""
    attrs = "".join(f" {key.replace('__', ':')}={quoteattr(str(value))}" for key, value in attributes.items())
    content = escape(str(text)) if text is not None else ""
    content += "".join(children)
    return f"<{name}{attrs}/>" if not content else f"<{name}{attrs}>{content}</{name}>"


class ReplyWriter:
    """Writes a response element in the service namespace under the given prefix
    (empty for a default namespace), with base types under the prefix "z"."""

    def __init__(self, prefix, service_ns, base_ns):
        self.prefix = prefix
        self.service_ns = service_ns
        self.base_ns = base_ns

    def own(self, local, *children, text=None, **attributes):
        name = f"{self.prefix}:{local}" if self.prefix else local
        return element(name, *children, text=text, **attributes)

    def base(self, local, *children, text=None, **attributes):
        return element(f"z:{local}", *children, text=text, **attributes)

    def response(self, operation, *children):
        return self.root(f"{operation}Response", *children)

    def root(self, local, *children, text=None):
        """The element the body holds, declaring the namespaces of the reply."""
        declaration = {("xmlns__" + self.prefix) if self.prefix else "xmlns": self.service_ns, "xmlns__z": self.base_ns}
        return self.own(local, *children, text=text, **declaration)


def envelope(content):
    return f'<s:Envelope xmlns:s="{SOAP_ENV}" xmlns:xsi="{SCHEMA_INSTANCE}"><s:Body>{content}</s:Body></s:Envelope>'


def fault_envelope(fault):
    return envelope(element("s:Fault", element("faultcode", text=fault.code), element("faultstring", text=fault.message)))
