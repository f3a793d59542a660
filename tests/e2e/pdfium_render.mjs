// Renders page 1 of a PDF with PDFium (the engine of Chrome and Edge) at a
// given pixel size and writes it as a binary PPM, for the end-to-end checks.
//   node pdfium_render.mjs PACKAGE_DIR in.pdf WIDTH HEIGHT out.ppm
// PACKAGE_DIR is the installed @hyzyla/pdfium package (scripts/test installs it).
import { readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

const [packageDir, pdfPath, widthText, heightText, outPath] = process.argv.slice(2);
const width = Number(widthText);
const height = Number(heightText);
if (!outPath || !(width > 0) || !(height > 0)) {
  process.stderr.write("usage: pdfium_render.mjs PACKAGE_DIR in.pdf WIDTH HEIGHT out.ppm\n");
  process.exit(2);
}
const { PDFiumLibrary } = await import(pathToFileURL(join(packageDir, "dist", "index.esm.js")).href);
const library = await PDFiumLibrary.init();
const document = await library.loadDocument(readFileSync(pdfPath));
const page = document.getPage(0);
// BGRA with PDFium's reverse byte order gives RGBA bytes on a white page.
const image = await page.render({ width, height, scale: 1, colorSpace: "BGRA", render: "bitmap" });
const rgb = Buffer.alloc(image.width * image.height * 3);
for (let i = 0, o = 0; o < rgb.length; i += 4, o += 3) {
  rgb[o] = image.data[i];
  rgb[o + 1] = image.data[i + 1];
  rgb[o + 2] = image.data[i + 2];
}
writeFileSync(outPath, Buffer.concat([Buffer.from(`P6\n${image.width} ${image.height}\n255\n`), rgb]));
document.destroy();
library.destroy();
