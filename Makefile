# Front door: `make run` builds and runs the launcher under Wine; `make test`
# builds everything and runs every test. Both install what they need first.
PAYLOAD ?= payload
SIGN_CERT ?=
SIGN_KEY ?=
PYTHON := /usr/bin/python3
XVFB := $(if $(DISPLAY),,xvfb-run -a -s "-screen 0 1024x768x24")

.PHONY: all deps build run test clean payload

all: build

deps:
	@sh tools/install_deps.sh

build: deps
	cmake --preset x86 >/dev/null
	cmake --preset x64 >/dev/null
	cmake --build build/x86 --target tarnview -j2
	cmake --build build/x64 --target tarnview -j2
	$(PYTHON) tools/build_payload.py --payload "$(PAYLOAD)" \
	  --host32 build/dist/x86/tarnview.exe --host64 build/dist/x64/tarnview.exe \
	  --stage build/payload-stage --out build/dist/resource.cab.new
	cmp -s build/dist/resource.cab.new build/dist/resource.cab 2>/dev/null \
	  && rm build/dist/resource.cab.new || mv build/dist/resource.cab.new build/dist/resource.cab
	cmake --build build/x86 -j2
	cmake --build build/x64 -j2
	@if [ -n "$(SIGN_CERT)" ] && [ -n "$(SIGN_KEY)" ]; then \
	  sh tools/sign.sh "$(SIGN_CERT)" "$(SIGN_KEY)" build/dist/x86/SelfExtractor.exe; fi

run: build
	$(XVFB) sh tools/with_wine.sh sh tools/run_demo.sh

test: build
	$(XVFB) sh tools/with_wine.sh ctest --test-dir build/x64 --output-on-failure -j2

clean:
	rm -rf build
